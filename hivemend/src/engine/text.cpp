#include "hivemend/text.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "memory.h"

namespace {

void put_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char* to_c_string(const std::string& s) {
    char* r = static_cast<char*>(hivemend::xmalloc(s.size() + 1));
    std::memcpy(r, s.data(), s.size());
    r[s.size()] = 0;
    return r;
}

}  // namespace

int strn_casecmp(const char* s1, const char* s2, int n) {
    for (int i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(s1[i]);
        unsigned char b = static_cast<unsigned char>(s2[i]);
        if (!b) return a ? 1 : 0;
        if (!a) return -1;
        if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 0x20);
        if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 0x20);
        if (a != b) return static_cast<signed char>(static_cast<unsigned char>(a - b));
    }
    return 0;
}

char* string_regw2prog(const void* string, int bytes) {
    const auto* p = static_cast<const unsigned char*>(string);
    std::string out;
    const int units = bytes > 0 ? bytes / 2 : 0;
    for (int i = 0; i < units; ++i) {
        uint32_t c = p[2 * i] | (p[2 * i + 1] << 8);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
            const uint32_t lo = p[2 * i + 2] | (p[2 * i + 3] << 8);
            if (lo >= 0xDC00 && lo < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        put_utf8(out, c);
    }
    return to_c_string(out);
}

char* string_latin1_to_utf8(const void* string, int bytes) {
    const auto* p = static_cast<const unsigned char*>(string);
    std::string out;
    for (int i = 0; i < bytes; ++i) put_utf8(out, p[i]);
    return to_c_string(out);
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
