#pragma once

// Small text functions of the rule code: numbers and byte lists written as
// registry text files write them.

#include "hivemend/export.h"

// Value of the hexadecimal number in `text`, with an optional "0x" or "0X"
// prefix, up to its end or its first character that is no hex digit;
// arithmetic wraps at 32 bits. The empty text gives 0.
HIVEMEND_API unsigned HexToDec(const char* text);

// Converts a hex byte list ("0a,ff,00") to bytes in `out`, never more than
// `size`; returns the byte count. Every "," and the end of the text close a
// token, so the list gives one byte more than it has commas ("" gives one
// zero byte, "01,02," gives 01 02 00). A token is made of the hex digits up
// to its comma, other characters are skipped; a token of more than two
// digits keeps its low 8 bits.
HIVEMEND_API int Hex2ToByte(const char* text, char* out, unsigned size);

// Copies `src` to `dst` without the characters that occur in `ignore`,
// reading at most `max` characters of `src` (or up to its end); terminates
// `dst`, which must hold `max` + 1 bytes. Returns the number of characters
// copied.
HIVEMEND_API unsigned IgnChrCpy(const char* src, char* dst, const char* ignore, unsigned max);
