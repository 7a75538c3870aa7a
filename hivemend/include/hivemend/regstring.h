#pragma once

// Bounded string copies: a result that would not fit leaves the destination
// as it was and reports -1, so no caller ever writes past a buffer.

#include "hivemend/export.h"

// Copies `src` with its terminator into `dst` of `size` bytes; 0, or -1.
HIVEMEND_API int strcpy_s(char* dst, unsigned size, const char* src);
// Appends `src` to the terminated string in `dst` of `size` bytes; 0, or -1
// (also when `dst` holds no terminator within `size`).
HIVEMEND_API int strcat_s(char* dst, unsigned size, const char* src);
// When the whole of `src` with its terminator fits in `size` bytes, copies
// `n` characters as strncpy does (zero-padded, unterminated when `src` is
// longer than `n`) but never more than `size` bytes; 0, or -1.
HIVEMEND_API int strncpy_s(char* dst, unsigned size, const char* src, unsigned n);
