#pragma once

// Comparing the names stored in key and value records with the 8-bit or
// UTF-8 names that callers give.

#include <string>
#include <string_view>

#include "engine/encoding.h"
#include "hivemend/format.h"

namespace hivemend {

// The Latin-1 bytes of UTF-8 text whose characters all fit in 8 bits and
// are not all ASCII; empty for any other text.
std::string utf8_to_latin1(std::string_view s);

// A name as a record stores it. Windows keeps a name in 8-bit (Latin-1)
// characters when every character fits, else in UTF-16LE; bytes that are no
// UTF-8 are taken as 8-bit characters already.
struct StoredName {
    std::string bytes;
    bool compressed = true;
};
StoredName encode_name(std::string_view given);

// A name a caller looks for, with the forms it is compared in.
struct NameQuery {
    std::string_view bytes;  // as given: compared with 8-bit names
    std::string latin1;      // its Latin-1 form, also compared with 8-bit names
    std::string utf16;       // compared with UTF-16LE names
    explicit NameQuery(std::string_view s) : bytes(s), latin1(utf8_to_latin1(s)), utf16(utf8_to_utf16le(s)) {}
};

// Equal over n bytes when 'a'-'z' fold to upper case.
bool casefold_equal(const char* a, const char* b, size_t n);

// Whether a key name matches the query: the whole name, or with `prefix` any
// name it begins. 8-bit names compare case-insensitively, UTF-16LE byte for byte.
bool key_name_matches(const nk_key* nk, const NameQuery& q, bool prefix);
// Whether a value name equals the query in full; "@" also finds the unnamed value.
bool value_name_matches(const vk_key* vk, const NameQuery& q);

// Sort order of stored names as Windows keeps subkey indexes: by character,
// letters folded to upper case, a shorter name before its extensions.
int order_names(std::string_view a, bool a_compressed, std::string_view b, bool b_compressed);
// lh hash and lf hint of a stored name.
uint32_t name_hash(std::string_view name, bool compressed);
uint32_t name_hint(std::string_view name, bool compressed);

// A stored name in UTF-8 (8-bit names are Latin-1), zero characters kept.
std::string stored_name_utf8(std::string_view bytes, bool compressed);
std::string key_name_whole(const nk_key* nk);
std::string value_name_whole(const vk_key* vk);
// The same as C text: up to a zero character.
std::string key_name_utf8(const nk_key* nk);
std::string value_name_utf8(const vk_key* vk);

}  // namespace hivemend
