#include "memory.h"
#include "engine/diag.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hivemend {

namespace {

constexpr size_t kHuge = size_t{2} << 20;

[[noreturn]] void out_of_memory(const char* what) {
    diag_perror(what);
    abort();
}

// Bytes actually reserved for an image of n bytes.
size_t capacity(size_t n) { return n < kHuge ? (n ? n : 1) : (n + kHuge - 1) & ~(kHuge - 1); }

unsigned char* reserve(size_t n, const char* what) {
    const size_t cap = capacity(n);
    if (cap < kHuge) {
        void* p = malloc(cap);
        if (!p) out_of_memory(what);
        return static_cast<unsigned char*>(p);
    }
    void* p = mmap(nullptr, cap, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) out_of_memory(what);
    madvise(p, cap, MADV_HUGEPAGE);
    return static_cast<unsigned char*>(p);
}

}  // namespace

void* xmalloc(size_t n) {
    void* p = malloc(n ? n : 1);
    if (!p) out_of_memory("malloc failure");
    return p;
}

void* xcalloc(size_t n) {
    void* p = calloc(1, n ? n : 1);
    if (!p) out_of_memory("malloc failure");
    return p;
}

unsigned char* image_alloc(size_t n) { return reserve(n, "malloc failure"); }

unsigned char* image_grow(unsigned char* p, size_t old, size_t n) {
    const size_t from = capacity(old);
    const size_t to = capacity(n);
    if (from == to) return p;
    if (to < kHuge) {
        void* q = realloc(p, to);
        if (!q) out_of_memory("add_bin : realloc() ");
        return static_cast<unsigned char*>(q);
    }
    if (from < kHuge) {
        unsigned char* q = reserve(n, "add_bin : realloc() ");
        memcpy(q, p, old);
        free(p);
        return q;
    }
    void* q = mremap(p, from, to, MREMAP_MAYMOVE);
    if (q == MAP_FAILED) out_of_memory("add_bin : realloc() ");
    madvise(q, to, MADV_HUGEPAGE);
    return static_cast<unsigned char*>(q);
}

void image_free(unsigned char* p, size_t n) {
    if (!p) return;
    if (capacity(n) < kHuge) {
        free(p);
    } else {
        munmap(p, capacity(n));
    }
}

}  // namespace hivemend
