#include "line.h"

#include <cstdlib>

#include "engine/encoding.h"

namespace hivemend::regtext {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

bool read_line(FILE* f, bool wide, std::string* out, bool* lf) {
    out->clear();
    *lf = false;
    if (!wide) {
        char* buf = nullptr;
        size_t cap = 0;
        const ssize_t n = getline(&buf, &cap, f);
        if (n < 0) {
            free(buf);
            return false;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\n') {
                *lf = true;
            } else if (buf[i] != '\r') {
                *out += buf[i];
            }
        }
        free(buf);
        return true;
    }
    std::string units;
    bool any = false;
    for (;;) {
        const int a = getc(f);
        if (a == EOF) break;
        const int b = getc(f);
        if (b == EOF) break;
        any = true;
        if (a == '\n' && b == 0) {
            *lf = true;
            break;
        }
        if (a == '\r' && b == 0) continue;
        units += static_cast<char>(a);
        units += static_cast<char>(b);
    }
    *out = utf16le_to_utf8(units.data(), units.size());
    return any;
}

RegLine split_line(std::string_view line) {
    RegLine r;
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    if (line.empty()) return r;
    if (line.front() == ';') {
        r.kind = LineKind::Comment;
        return r;
    }
    if (line.front() == '[') {
        r.kind = LineKind::Key;
        const size_t close = line.rfind(']');
        r.unterminated = close == std::string_view::npos || close == 0;
        r.name = r.unterminated ? line.substr(1) : line.substr(1, close - 1);
        return r;
    }
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\') {
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == '=' && !quoted) {
            r.kind = LineKind::Value;
            r.name = trim(line.substr(0, i));
            r.value = trim(line.substr(i + 1));
            return r;
        }
    }
    r.kind = LineKind::Other;
    r.value = trim(line);
    return r;
}

std::string unquote(std::string_view s) {
    if (!is_quoted(s)) return std::string(s);
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] == '\\') ++i;
        out += s[i];
    }
    return out;
}

bool is_quoted(std::string_view s) {
    if (s.size() < 2 || s.front() != '"') return false;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '"') {
            return i == s.size() - 1;
        }
    }
    return false;
}

}  // namespace hivemend::regtext
