#pragma once

// The data part of a value line ("dword:...", "hex:...", "hex(N):...", or
// quoted text) turned into a registry type and bytes.

#include <cstddef>
#include <string>
#include <string_view>

namespace hivemend::regtext {

struct ValueText {
    int type = 0;
    std::string data;
};

// False with the reason in `*error` when the text cannot be read.
bool parse_value(std::string_view text, ValueText* out, std::string* error);

// Whether REG_SZ data is text that the quoted form carries exactly: whole
// units, one zero terminator at the end and none before it, no line breaks,
// no unpaired surrogates.
bool plain_text(const unsigned char* p, size_t bytes);

}  // namespace hivemend::regtext
