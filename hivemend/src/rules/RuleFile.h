#pragma once

// Reading the rule database file into a property tree.

#include <boost/property_tree/ptree.hpp>

namespace hivemend {

// Largest rule database read, and deepest nesting of JSON arrays and objects
// (the format itself needs five levels). The JSON reader descends
// recursively, so a limit keeps a hostile file from exhausting the stack.
constexpr long kMaxRuleFileBytes = 4L << 20;
constexpr int kMaxRuleFileDepth = 32;

// The JSON tree of the file at `path`. Throws the JSON reader's
// json_parser_error, naming the file (and line), when the file cannot be
// read, is larger or deeper than the limits, or is not valid JSON.
boost::property_tree::ptree ReadRuleFile(const char* path);

}  // namespace hivemend
