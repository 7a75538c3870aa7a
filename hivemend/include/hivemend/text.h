#pragma once

// String helpers shared by every layer of the hive engine.

#include "hivemend/export.h"

// 0 when equal over at most n characters, folding only 'a'-'z'.
HIVEMEND_API int strn_casecmp(const char* s1, const char* s2, int n);
// New zero-terminated UTF-8 string from `bytes` bytes of UTF-16LE.
HIVEMEND_API char* string_regw2prog(const void* string, int bytes);
// New zero-terminated UTF-8 string from Latin-1 bytes.
HIVEMEND_API char* string_latin1_to_utf8(const void* string, int bytes);
// Resolves backslash escapes in place; the new length with the terminator.
HIVEMEND_API int de_escape(char* s, int wide);
// New zero-terminated copy of n bytes; null in, null out.
HIVEMEND_API char* mem_str(const void* str, int len);
HIVEMEND_API char* str_dup(const char* str);
// The signed little-endian 32-bit number at `array`.
HIVEMEND_API int get_int(const void* array);
