#pragma once

// Value data as registry text writes it: "dword:" and eight hex digits,
// "hex:" or "hex(N):" and a list of hex bytes, or quoted text. Reading it
// strictly for registry text files and leniently for the rule code's own
// forms, and writing it, all live here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hivemend::regtext {

// 0-15 for a hex digit (0-9, a-f, A-F), -1 for anything else.
int hex_digit(char c);

// The hex number at the front of `s`, up to its end or its first character
// that is no hex digit; arithmetic wraps at 32 bits.
struct HexNumber {
    uint32_t value = 0;
    size_t digits = 0;
};
HexNumber read_hex(std::string_view s);

// The tokens of a hex byte list: the text between commas, as written. Every
// list has one token more than it has commas ("" is one empty token).
std::vector<std::string_view> byte_tokens(std::string_view list);

// What the data part of a value line is, by how it begins.
enum class ValueForm { Dword, Hex, TypedHex, Quoted, Other };
struct ValueParts {
    ValueForm form = ValueForm::Other;
    std::string_view type;  // TypedHex: the text inside "hex(...)"
    std::string_view body;  // the text after "dword:", "hex:" or "hex(N):"; else the whole text
    bool no_colon = false;  // a hex form whose type is not closed or not followed by ':'
};
// With `any_case`, as registry text files are read: "dword:" and every text
// that begins with "hex", in any case. Without, as the rule code reads them:
// only "dword:" and "hex:" as written.
ValueParts split_value(std::string_view text, bool any_case);

struct ValueText {
    int type = 0;
    std::string data;
};

// Reads the data part of a registry text file's value line; false with the
// reason in `*error` when the text cannot be read.
bool parse_value(std::string_view text, ValueText* out, std::string* error);

// Appends `s` with backslashes and double quotes escaped, as quoted text of
// registry text files carries them.
void append_escaped(std::string& out, std::string_view s);

// Appends the data part of a value line and its line end: dword: for a
// four-byte REG_DWORD, quoted text for REG_SZ data that reads back to the
// same bytes, else hex bytes (hex: for REG_BINARY, hex(type): for the
// others) wrapped at 25 bytes a line. `width` is the length of the line's
// name part, which the first line of bytes shares.
void append_value(std::string& out, size_t width, int type, const unsigned char* bytes, int len);

}  // namespace hivemend::regtext
