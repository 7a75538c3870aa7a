#pragma once

// One rule judged against the registry of an installation, and fixed.

#include <string>

#include "hivemend/RuleModel.h"

class CAppRegstry;

namespace hivemend {

// Judges `rule` on `registry` (null while no Windows drive is set): 1 when
// something is to be fixed, recorded in the rule and its values. Why the
// rule could not be judged in every hive its key stands for goes to
// `*failure`, "" when it could.
int scan_rule(CAppRegstry* registry, _RULE_& rule, std::string* failure);

// Fixes in memory what the rule's last scan found (`number` names the rule
// in the diagnostics): 1 done, 0 failed (why in `*why`), -1 when its key
// cannot be opened. Saving is the caller's.
int fix_rule(CAppRegstry& registry, _RULE_& rule, int number, std::string* why);

}  // namespace hivemend
