#include "hivemend/ruletext.h"

#include <cstring>
#include <string_view>

#include "regtext/valuetext.h"

using namespace hivemend::regtext;

unsigned HexToDec(const char* text) {
    if (!text) return 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    return read_hex(text).value;
}

int Hex2ToByte(const char* text, char* out, unsigned size) {
    if (!text || !out) return 0;
    unsigned count = 0;
    for (const std::string_view token : byte_tokens(text)) {
        if (count == size) break;
        // Characters that are no hex digits are skipped.
        unsigned byte = 0;
        for (const char c : token)
            if (const int d = hex_digit(c); d >= 0) byte = (byte << 4) | static_cast<unsigned>(d);
        out[count++] = static_cast<char>(byte & 0xFF);
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
