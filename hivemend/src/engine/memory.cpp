#include "memory.h"

#include <cstdio>
#include <cstdlib>

namespace hivemend {

namespace {
[[noreturn]] void out_of_memory() {
    perror("malloc failure");
    abort();
}
}  // namespace

void* xmalloc(size_t n) {
    void* p = malloc(n ? n : 1);
    if (!p) out_of_memory();
    return p;
}

void* xcalloc(size_t n) {
    void* p = calloc(1, n ? n : 1);
    if (!p) out_of_memory();
    return p;
}

void* xrealloc(void* p, size_t n) {
    void* q = realloc(p, n ? n : 1);
    if (!q) {
        perror("add_bin : realloc() ");
        abort();
    }
    return q;
}

}  // namespace hivemend
