#include "hivemend/regstring.h"

#include <cstring>

int strcpy_s(char* dst, unsigned size, const char* src) {
    if (!dst || !src) return -1;
    const size_t n = strlen(src);
    if (n + 1 > size) return -1;
    memcpy(dst, src, n + 1);
    return 0;
}

int strcat_s(char* dst, unsigned size, const char* src) {
    if (!dst || !src) return -1;
    const size_t have = strnlen(dst, size);
    if (have == size) return -1;
    const size_t n = strlen(src);
    if (have + n + 1 > size) return -1;
    memcpy(dst + have, src, n + 1);
    return 0;
}

int strncpy_s(char* dst, unsigned size, const char* src, unsigned n) {
    if (!dst || !src) return -1;
    const size_t len = strlen(src);
    if (len + 1 > size) return -1;
    const size_t limit = n < size ? n : size;
    const size_t copy = len < limit ? len : limit;
    memcpy(dst, src, copy);
    memset(dst + copy, 0, limit - copy);
    return 0;
}
