#pragma once

// Allocation for the engine: running out of memory ends the process with a
// message, so no caller has to handle a null result.

#include <cstddef>

namespace hivemend {

void* xmalloc(size_t n);
void* xcalloc(size_t n);

// The image buffer. Large images sit in their own mapping of huge pages:
// loading a big hive costs a few page faults instead of thousands, and
// growing it moves no bytes.
unsigned char* image_alloc(size_t n);
// Grows an image buffer of `old` bytes to `n`, keeping its contents.
unsigned char* image_grow(unsigned char* p, size_t old, size_t n);
// Releases an image buffer of `n` bytes.
void image_free(unsigned char* p, size_t n);

}  // namespace hivemend
