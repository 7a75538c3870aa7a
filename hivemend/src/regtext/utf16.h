#pragma once

// Text conversions of registry text files.

#include <cstddef>
#include <string>
#include <string_view>

#include "hivemend/format.h"

namespace hivemend::regtext {

// UTF-8 of UTF-16LE bytes: surrogate pairs joined, unpaired surrogates kept
// as their own 3-byte form so that they convert back unchanged.
std::string utf16le_to_utf8(const unsigned char* p, size_t bytes);

// UTF-16LE of text read from a file: UTF-8 sequences decoded (4-byte ones
// into surrogate pairs, 3-byte surrogate forms back into their unit); a byte
// that begins no sequence is taken as a Latin-1 character.
std::string utf8_to_utf16le(std::string_view s);

// Whether REG_SZ data is text that the quoted form carries exactly: whole
// units, one zero terminator at the end and none before it, no line breaks,
// no unpaired surrogates.
bool plain_text(const unsigned char* p, size_t bytes);

// Stored key and value names in UTF-8 (8-bit names are Latin-1), zero
// characters kept.
std::string key_name(const nk_key* nk);
std::string value_name(const vk_key* vk);

}  // namespace hivemend::regtext
