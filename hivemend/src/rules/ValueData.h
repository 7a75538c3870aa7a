#pragma once

// Value data from text: the forms of the rule database and of registry text
// file lines (CRegFix::ConvertData and CRegFix::ParseLine).

#include "hivemend/RuleModel.h"

namespace hivemend {

// Registry bytes of value text by type name, into `out`; see CRegFix::ConvertData.
int convert_data(const char* type, const char* text, char* out, int outSize);

// One name=data line of a registry text file into `out`; see CRegFix::ParseLine.
unsigned parse_line(char* line, _VNAME_DATA_* out, unsigned size, unsigned* needed);

}  // namespace hivemend
