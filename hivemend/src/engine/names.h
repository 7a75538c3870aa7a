#pragma once

// Comparing the names stored in key and value records with the 8-bit or
// UTF-8 names that callers give.

#include <string>
#include <string_view>

#include "hivemend/format.h"

namespace hivemend {

// UTF-8 text as the UTF-16LE bytes a stored UTF-16 name would hold.
std::string utf8_to_utf16le(std::string_view s);

// A name a caller looks for, with the forms it is compared in.
struct NameQuery {
    std::string_view bytes;  // as given: compared with 8-bit names
    std::string utf16;       // compared with UTF-16LE names
    explicit NameQuery(std::string_view s) : bytes(s), utf16(utf8_to_utf16le(s)) {}
};

// Equal over n bytes when 'a'-'z' fold to upper case.
bool casefold_equal(const char* a, const char* b, size_t n);

// Whether a key name matches the query: the whole name, or with `prefix` any
// name it begins. 8-bit names compare case-insensitively, UTF-16LE byte for byte.
bool key_name_matches(const nk_key* nk, const NameQuery& q, bool prefix);
// Whether a value name equals the query in full; "@" also finds the unnamed value.
bool value_name_matches(const vk_key* vk, const NameQuery& q);

// Key and value names in UTF-8 (8-bit names are Latin-1).
std::string key_name_utf8(const nk_key* nk);
std::string value_name_utf8(const vk_key* vk);

}  // namespace hivemend
