#pragma once

// Allocation for the engine: running out of memory ends the process with a
// message, so no caller has to handle a null result.

#include <cstddef>

namespace hivemend {

void* xmalloc(size_t n);
void* xcalloc(size_t n);
void* xrealloc(void* p, size_t n);

}  // namespace hivemend
