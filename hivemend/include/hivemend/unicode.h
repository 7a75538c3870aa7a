#pragma once

// UTF-8 <-> UTF-16LE conversions of the hive objects. Characters outside the
// Basic Multilingual Plane travel as surrogate pairs in UTF-16LE and as one
// 4-byte sequence in UTF-8.

#include "hivemend/export.h"

// Bytes of the UTF-8 form of `code` (1 to 6), written to `out` when it is
// not null; 0 for codes of 0x80000000 and above.
HIVEMEND_API int utf8(unsigned long code, char* out);

// UTF-8 bytes for the floor(bytes / 2) UTF-16LE units at `utf16`. With `out`
// null the full length; otherwise whole characters are written while they
// fit in `size` bytes, and the number written is returned. A surrogate pair
// becomes one 4-byte sequence, an unpaired surrogate its own 3-byte form, a
// zero unit a zero byte. No terminator is added.
HIVEMEND_API int unc_to_utf8(const char* utf16, int bytes, char* out, int size);

// Length of the UTF-8 sequence that starts with `lead`: 1 for 0x00-0xBF
// (ASCII and stray continuation bytes), 2, 3, 4, 5 or 6.
HIVEMEND_API int get_utf8_size(unsigned char lead);

// UTF-16LE bytes for the UTF-8 text at `utf8`, read up to a zero byte or
// `len` bytes. Whole characters are written while the output stays below
// `size` bytes (a buffer of `size` bytes keeps room for a 2-byte terminator);
// the number written is returned. A 4-byte sequence becomes a surrogate pair.
// 0 for a malformed sequence (a bad continuation byte, a sequence cut by
// `len`, or a character beyond U+10FFFF); what was written stays. No
// terminator is added.
HIVEMEND_API int utf8_to_unicode(const char* utf8, int len, char* out, int size);

// The UTF-16LE form of the one UTF-8 sequence at `utf8`, stored in `*out` as
// it lies in memory (a surrogate pair: the high unit in the low 16 bits).
// Returns the number of UTF-16LE bytes, 2 or 4; 0 when malformed.
HIVEMEND_API int unicode(const unsigned char* utf8, unsigned long* out);
