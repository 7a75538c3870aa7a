#pragma once

// The library's one text-encoding module: UTF-8, UTF-16LE and Latin-1, as
// hives store names and text data. The C functions of hivemend/unicode.h and
// hivemend/text.h are its face to callers; the layers of the library use
// these.
//
// Decoding UTF-8 follows one set of rules everywhere: sequences of one to
// four bytes, no overlong forms, nothing beyond U+10FFFF. Strict decoding
// also refuses a lone continuation byte and the UTF-8 forms of surrogates;
// permissive decoding takes a lone continuation byte as the character of
// its value and surrogate forms as their unit, so that text converted from
// UTF-16LE converts back unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hivemend {

// One UTF-8 sequence: its code point and byte length (0: malformed).
struct Utf8Char {
    uint32_t code = 0;
    int len = 0;
};
Utf8Char decode_utf8(const unsigned char* s, size_t avail, bool strict);

// The code points of strict UTF-8 text; false for anything else.
bool utf8_code_points(std::string_view s, std::u32string* out);

// UTF-16LE of UTF-8 text, read permissively; a byte that begins no
// sequence is taken as a Latin-1 character.
std::string utf8_to_utf16le(std::string_view s);

// UTF-8 of `bytes` bytes of UTF-16LE (an odd last byte is ignored):
// surrogate pairs joined, unpaired surrogates as their own 3-byte forms,
// zero units as zero bytes.
std::string utf16le_to_utf8(const void* p, size_t bytes);

// UTF-8 of Latin-1 bytes, zero bytes kept.
std::string latin1_to_utf8(const void* p, size_t bytes);

// The letters a-z as A-Z, every other byte as it is: the only case folding
// the registry's 8-bit names know.
inline unsigned char fold_az(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 0x20) : c;
}

}  // namespace hivemend
