#pragma once

// Lines of registry text files.

#include <cstdio>
#include <string>
#include <string_view>

namespace hivemend::regtext {

// Reads one line into `out` as UTF-8 (a UTF-16LE file when `wide`), CR
// dropped and the LF not kept; `*lf` tells whether an LF ended it. False at
// the end of the file when nothing was read.
bool read_line(FILE* f, bool wide, std::string* out, bool* lf);

enum class LineKind { Empty, Comment, Key, Value, Other };

struct RegLine {
    LineKind kind = LineKind::Empty;
    std::string_view name;      // Key: the text inside the brackets; Value: the name as written
    std::string_view value;     // Value: the text after '=', white space around it cut; Other: the line
    bool unterminated = false;  // a key line without ']'
};

// Splits a line, white space in front skipped: '[' begins a key line (its
// path up to the last ']'), ';' a comment; a line with '=' outside double
// quotes is a value line; anything else is Other.
RegLine split_line(std::string_view line);

// A complete double-quoted text without its quotes and with its backslash
// escapes resolved (a backslash keeps the character after it); any other
// text as it is.
std::string unquote(std::string_view s);

// Whether `s` is a complete double-quoted text.
bool is_quoted(std::string_view s);

}  // namespace hivemend::regtext
