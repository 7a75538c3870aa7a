#include "valuetext.h"

#include <strings.h>
#include <cstdint>

#include "encoding.h"
#include "hivemend/format.h"
#include "line.h"

namespace hivemend::regtext {

namespace {

int hexdigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool starts_with(std::string_view s, const char* p) {
    const std::string_view q(p);
    return s.size() >= q.size() && strncasecmp(s.data(), p, q.size()) == 0;
}

// Bytes written as two-digit hexadecimal numbers separated by commas; white
// space around them and one trailing comma are allowed.
bool parse_bytes(std::string_view s, std::string* out) {
    size_t i = 0;
    const auto skip = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    skip();
    while (i < s.size()) {
        int v = 0;
        int digits = 0;
        for (; i < s.size() && hexdigit(s[i]) >= 0; ++i, ++digits)
            if (digits < 2) v = v * 16 + hexdigit(s[i]);
        if (digits < 1 || digits > 2) return false;
        *out += static_cast<char>(v);
        skip();
        if (i == s.size()) break;
        if (s[i] != ',') return false;
        ++i;
        skip();
    }
    return true;
}

uint32_t unit(const unsigned char* p, size_t i) { return p[2 * i] | (p[2 * i + 1] << 8); }

}  // namespace

bool parse_value(std::string_view text, ValueText* out, std::string* error) {
    out->data.clear();
    if (starts_with(text, "dword:")) {
        const std::string_view digits = text.substr(6);
        uint32_t v = 0;
        bool ok = !digits.empty() && digits.size() <= 8;
        for (const char c : digits) {
            ok = ok && hexdigit(c) >= 0;
            v = v * 16 + static_cast<uint32_t>(ok ? hexdigit(c) : 0);
        }
        if (!ok) {
            *error = "dword value '" + std::string(text) + "' is not 1 to 8 hexadecimal digits";
            return false;
        }
        out->type = REG_DWORD;
        out->data.assign(reinterpret_cast<const char*>(&v), 4);
        return true;
    }
    if (starts_with(text, "hex")) {
        std::string_view rest = text.substr(3);
        out->type = REG_BINARY;
        if (!rest.empty() && rest.front() == '(') {
            const size_t close = rest.find(')');
            int64_t t = 0;
            bool ok = close != std::string_view::npos && close > 1 && close <= 9;
            for (size_t k = 1; ok && k < close; ++k) {
                ok = hexdigit(rest[k]) >= 0;
                t = t * 16 + (ok ? hexdigit(rest[k]) : 0);
            }
            if (!ok || t > 0x7FFFFFFF) {
                *error = "value type in '" + std::string(text.substr(0, 16)) + "' is not a hexadecimal number";
                return false;
            }
            out->type = static_cast<int>(t);
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':' || !parse_bytes(rest.substr(1), &out->data)) {
            *error = "hex string parse error: " + std::string(text);
            return false;
        }
        return true;
    }
    out->type = REG_SZ;
    if (!text.empty() && text.front() == '"' && !is_quoted(text)) {
        *error = "text " + std::string(text) + " lacks its closing double quote";
        return false;
    }
    out->data = utf8_to_utf16le(unquote(text));
    out->data.append(2, '\0');
    return true;
}

bool plain_text(const unsigned char* p, size_t bytes) {
    if (bytes < 2 || bytes % 2) return false;
    const size_t units = bytes / 2;
    if (unit(p, units - 1) != 0) return false;
    for (size_t i = 0; i + 1 < units; ++i) {
        const uint32_t u = unit(p, i);
        if (u == 0 || u == '\r' || u == '\n') return false;
        if (u >= 0xD800 && u < 0xDC00) {
            if (i + 2 >= units || unit(p, i + 1) < 0xDC00 || unit(p, i + 1) >= 0xE000) return false;
            ++i;
        } else if (u >= 0xDC00 && u < 0xE000) {
            return false;
        }
    }
    return true;
}

}  // namespace hivemend::regtext
