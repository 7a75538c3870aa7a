#pragma once

// Loading the rule database.

#include <vector>

#include "hivemend/RuleModel.h"

namespace hivemend {

// Appends the rules and sections of the database at `path`; a section
// lists its rules by their place in `*rules`. Every failure is thrown with
// a text that says what and where; what was appended before it stays.
void load_rules(const char* path, std::vector<_RULE_>* rules, std::vector<_SECTION>* sections);

}  // namespace hivemend
