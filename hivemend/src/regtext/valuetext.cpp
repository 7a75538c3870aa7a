#include "regtext/valuetext.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "engine/encoding.h"
#include "hivemend/format.h"
#include "line.h"

namespace hivemend::regtext {

namespace {

constexpr char kHex[] = "0123456789abcdef";
// Bytes per line of wrapped hex data, counting the width of the name part.
constexpr int kBytesPerLine = 25;

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool starts_with(std::string_view s, std::string_view p, bool any_case) {
    return s.size() >= p.size() &&
           (any_case ? strncasecmp(s.data(), p.data(), p.size()) == 0 : s.substr(0, p.size()) == p);
}

// Whether all of `s` is one hex number of 1 to `most` digits.
bool hex_of(std::string_view s, size_t most, uint32_t* value) {
    const HexNumber n = read_hex(s);
    *value = n.value;
    return n.digits == s.size() && n.digits >= 1 && n.digits <= most;
}

// Bytes written as two-digit hexadecimal numbers separated by commas; white
// space around them and one trailing comma are allowed.
bool parse_bytes(std::string_view s, std::string* out) {
    if (trimmed(s).empty()) return true;
    std::vector<std::string_view> tokens = byte_tokens(s);
    if (tokens.size() > 1 && trimmed(tokens.back()).empty()) tokens.pop_back();
    for (const std::string_view t : tokens) {
        uint32_t v = 0;
        if (!hex_of(trimmed(t), 2, &v)) return false;
        *out += static_cast<char>(v);
    }
    return true;
}

uint32_t unit(const unsigned char* p, size_t i) { return p[2 * i] | (p[2 * i + 1] << 8); }

// Whether REG_SZ data is text that the quoted form carries exactly: whole
// units, one zero terminator at the end and none before it, no line breaks,
// no unpaired surrogates.
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

void append_hex_bytes(std::string& out, size_t width, const unsigned char* p, int len) {
    const int lead = static_cast<int>((width - 2) / 3);
    for (int i = 0; i < len; ++i) {
        out += kHex[p[i] >> 4];
        out += kHex[p[i] & 0xF];
        if (i + 1 == len) break;
        out += ',';
        if ((lead + i + 1) % kBytesPerLine == 0) out += "\\\r\n  ";
    }
    out += "\r\n";
}

}  // namespace

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

HexNumber read_hex(std::string_view s) {
    HexNumber n;
    for (int d; n.digits < s.size() && (d = hex_digit(s[n.digits])) >= 0; ++n.digits)
        n.value = (n.value << 4) | static_cast<uint32_t>(d);
    return n;
}

std::vector<std::string_view> byte_tokens(std::string_view list) {
    std::vector<std::string_view> tokens;
    for (;;) {
        const size_t comma = list.find(',');
        tokens.push_back(list.substr(0, comma));
        if (comma == std::string_view::npos) return tokens;
        list.remove_prefix(comma + 1);
    }
}

ValueParts split_value(std::string_view text, bool any_case) {
    if (starts_with(text, "dword:", any_case)) return {ValueForm::Dword, {}, text.substr(6)};
    if (!any_case && starts_with(text, "hex:", false)) return {ValueForm::Hex, {}, text.substr(4)};
    if (any_case && starts_with(text, "hex", true)) {
        ValueParts parts{ValueForm::Hex, {}, text.substr(3)};
        if (!parts.body.empty() && parts.body.front() == '(') {
            const size_t close = parts.body.find(')');
            parts.form = ValueForm::TypedHex;
            if (close == std::string_view::npos) return {ValueForm::TypedHex, {}, {}, true};
            parts.type = parts.body.substr(1, close - 1);
            parts.body.remove_prefix(close + 1);
        }
        if (parts.body.empty() || parts.body.front() != ':') {
            parts.body = {};
            parts.no_colon = true;
        } else {
            parts.body.remove_prefix(1);
        }
        return parts;
    }
    if (!text.empty() && text.front() == '"') return {ValueForm::Quoted, {}, text};
    return {ValueForm::Other, {}, text};
}

bool parse_value(std::string_view text, ValueText* out, std::string* error) {
    out->data.clear();
    const ValueParts parts = split_value(text, true);
    if (parts.form == ValueForm::Dword) {
        uint32_t v = 0;
        if (!hex_of(parts.body, 8, &v)) {
            *error = "dword value '" + std::string(text) + "' is not 1 to 8 hexadecimal digits";
            return false;
        }
        out->type = REG_DWORD;
        out->data.assign(reinterpret_cast<const char*>(&v), 4);
        return true;
    }
    if (parts.form == ValueForm::Hex || parts.form == ValueForm::TypedHex) {
        out->type = REG_BINARY;
        if (parts.form == ValueForm::TypedHex) {
            uint32_t t = 0;
            if (!hex_of(parts.type, 8, &t) || t > 0x7FFFFFFF) {
                *error = "value type in '" + std::string(text.substr(0, 16)) + "' is not a hexadecimal number";
                return false;
            }
            out->type = static_cast<int>(t);
        }
        if (parts.no_colon || !parse_bytes(parts.body, &out->data)) {
            *error = "hex string parse error: " + std::string(text);
            return false;
        }
        return true;
    }
    out->type = REG_SZ;
    if (parts.form == ValueForm::Quoted && !is_quoted(text)) {
        *error = "text " + std::string(text) + " lacks its closing double quote";
        return false;
    }
    out->data = utf8_to_utf16le(unquote(text));
    out->data.append(2, '\0');
    return true;
}

void append_escaped(std::string& out, std::string_view s) {
    for (const char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
}

void append_value(std::string& out, size_t width, int type, const unsigned char* bytes, int len) {
    if (type == REG_DWORD && len == 4) {
        uint32_t d;
        memcpy(&d, bytes, 4);
        char dw[24];
        snprintf(dw, sizeof dw, "dword:%08x\r\n", d);
        out += dw;
    } else if (type == REG_SZ && plain_text(bytes, static_cast<size_t>(len))) {
        out += '"';
        append_escaped(out, utf16le_to_utf8(bytes, static_cast<size_t>(len) - 2));
        out += "\"\r\n";
    } else {
        char head[24];
        if (type == REG_BINARY) {
            snprintf(head, sizeof head, "hex:");
        } else {
            snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(type));
        }
        out += head;
        append_hex_bytes(out, width + strlen(head), bytes, len);
    }
}

}  // namespace hivemend::regtext
