// The line reader and value parser of registry text files as plain
// functions over caller buffers.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/diag.h"
#include "hivemend/regtext.h"
#include "line.h"
#include "regtext/valuetext.h"

using namespace hivemend;

using namespace hivemend::regtext;

int my_fgets(char* line, int size, FILE* file, int widemode) {
    std::string text;
    bool lf = false;
    if (!line || size <= 0 || !file || !read_line(file, widemode != 0, &text, &lf)) return 0;
    if (lf) text += '\n';
    if (text.size() + 1 > static_cast<size_t>(size)) return -1;
    memcpy(line, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

int get_line(char* line, int size, FILE* file, char** name, char** value, int widemode) {
    if (!line || size <= 0 || !file || !name || !value) return 0;
    std::string text;
    bool lf = false;
    while (read_line(file, widemode != 0, &text, &lf)) {
        const size_t lead = text.find_first_not_of(" \t");
        if (lead == std::string::npos) continue;
        text.erase(0, lead);
        if (text.size() + 1 > static_cast<size_t>(size)) return -1;
        memcpy(line, text.c_str(), text.size() + 1);
        const RegLine l = split_line(text);
        const auto at = [&](std::string_view part) { return line + (part.data() - text.data()); };
        *name = nullptr;
        *value = nullptr;
        if (l.kind == LineKind::Key) {
            *name = at(l.name);
            (*name)[l.name.size()] = 0;
        } else if (l.kind == LineKind::Value) {
            *name = at(l.name);
            *value = at(l.value);
            (*value)[l.value.size()] = 0;
            (*name)[l.name.size()] = 0;
        } else {
            *value = line;
        }
        return static_cast<int>(text.size());
    }
    return 0;
}

int parse_valuestring(const char* text, ValueBuffer** out) {
    if (!text || !out) return -1;
    ValueText v;
    std::string error;
    if (!parse_value(text, &v, &error)) {
        diag_eprintf("parse_values: %s\n", error.c_str());
        return -1;
    }
    ValueBuffer* b = new_valuebuffer(static_cast<int>(v.data.size()));
    memcpy(vb_data(b), v.data.data(), v.data.size());
    *out = b;
    return v.type;
}

char* dequote(char* s) {
    if (!s) return s;
    if (*s == '"') ++s;
    const size_t n = strlen(s);
    if (n && s[n - 1] == '"') s[n - 1] = 0;
    return s;
}
