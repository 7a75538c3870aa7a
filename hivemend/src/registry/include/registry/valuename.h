#pragma once

// Value names as the hive objects hand them to the engine.

#include <string>

namespace hivemend {

// "(default)" stands for the unnamed value.
std::string inter_value_name(const char* name);
// A bare value name for the engine's literal lookups, which resolve
// backslash escapes: every backslash doubled.
std::string literal_value_name(const std::string& name);
// A value name as a path lookup finds it: the unnamed value as "@".
std::string path_value_name(const std::string& name);

}  // namespace hivemend
