#include "hivemend/text.h"

#include <cstring>

#include "engine/encoding.h"
#include "memory.h"

int strn_casecmp(const char* s1, const char* s2, int n) {
    for (int i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(s1[i]);
        unsigned char b = static_cast<unsigned char>(s2[i]);
        if (!b) return a ? 1 : 0;
        if (!a) return -1;
        a = hivemend::fold_az(a);
        b = hivemend::fold_az(b);
        if (a != b) return static_cast<signed char>(static_cast<unsigned char>(a - b));
    }
    return 0;
}

int de_escape(char* s, int wide) {
    // Wide strings step two bytes per character; the escape is in the low byte.
    const int step = wide ? 2 : 1;
    int src = 0;
    int dst = 0;
    while (s[src] || (wide && s[src + 1])) {
        if (s[src] == '\\' && (s[src + step] || (wide && s[src + step + 1]))) {
            src += step;
        }
        for (int k = 0; k < step; ++k) s[dst + k] = s[src + k];
        src += step;
        dst += step;
    }
    for (int k = 0; k < step; ++k) s[dst + k] = 0;
    return dst + step;
}

char* mem_str(const void* str, int len) {
    if (!str) return nullptr;
    if (len < 0) len = 0;
    char* r = static_cast<char*>(hivemend::xmalloc(static_cast<size_t>(len) + 1));
    std::memcpy(r, str, static_cast<size_t>(len));
    r[len] = 0;
    return r;
}

char* str_dup(const char* str) {
    if (!str) return nullptr;
    return mem_str(str, static_cast<int>(std::strlen(str)));
}

int get_int(const void* array) {
    int v;
    std::memcpy(&v, array, 4);
    return v;
}
