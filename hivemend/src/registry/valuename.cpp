#include "registry/valuename.h"

#include <cstring>

namespace hivemend {

std::string inter_value_name(const char* name) {
    if (!name || strcmp(name, "(default)") == 0) return {};
    return name;
}

std::string literal_value_name(const std::string& name) {
    std::string out;
    for (const char c : name) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string path_value_name(const std::string& name) { return name.empty() ? "@" : name; }

}  // namespace hivemend
