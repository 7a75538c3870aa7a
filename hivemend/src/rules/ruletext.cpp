#include "hivemend/ruletext.h"

#include <cstdint>
#include <cstring>

namespace {

// 0-15 for a hex digit, -1 for anything else.
int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

unsigned HexToDec(const char* text) {
    if (!text) return 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    uint32_t value = 0;
    for (int d; (d = hex_digit(*text)) >= 0; ++text) value = (value << 4) | static_cast<uint32_t>(d);
    return value;
}

int Hex2ToByte(const char* text, char* out, unsigned size) {
    if (!text || !out) return 0;
    unsigned count = 0;
    unsigned token = 0;
    for (const char* p = text;; ++p) {
        const int d = hex_digit(*p);
        if (d >= 0) {
            token = (token << 4) | static_cast<unsigned>(d);
            continue;
        }
        if (*p != ',' && *p != '\0') continue;
        if (count == size) break;
        out[count++] = static_cast<char>(token & 0xFF);
        token = 0;
        if (*p == '\0') break;
    }
    return static_cast<int>(count);
}

unsigned IgnChrCpy(const char* src, char* dst, const char* ignore, unsigned max) {
    if (!dst) return 0;
    unsigned copied = 0;
    if (src) {
        for (unsigned i = 0; i < max && src[i]; ++i) {
            if (ignore && strchr(ignore, src[i])) continue;
            dst[copied++] = src[i];
        }
    }
    dst[copied] = '\0';
    return copied;
}
