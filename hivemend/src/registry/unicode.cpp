#include "hivemend/unicode.h"

#include <cstdint>

namespace {

uint32_t unit_at(const char* p, int i) {
    const auto* u = reinterpret_cast<const unsigned char*>(p) + 2 * i;
    return u[0] | (u[1] << 8);
}

bool is_high(uint32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool is_low(uint32_t u) { return u >= 0xDC00 && u < 0xE000; }

// Decodes the sequence at `s` of at most `avail` bytes into `*code`; its
// length, 0 when malformed.
int decode(const unsigned char* s, int avail, uint32_t* code) {
    const int n = get_utf8_size(s[0]);
    if (n == 1) {
        *code = s[0];
        return 1;
    }
    if (n > 4 || n > avail) return 0;
    uint32_t c = s[0] & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[k] & 0x3F);
    }
    if (n == 4 && (c < 0x10000 || c > 0x10FFFF)) return 0;
    *code = c;
    return n;
}

// The UTF-16 units of a decoded character: one, or a surrogate pair.
int to_units(uint32_t code, uint32_t units[2]) {
    if (code < 0x10000) {
        units[0] = code;
        return 1;
    }
    units[0] = 0xD800 + ((code - 0x10000) >> 10);
    units[1] = 0xDC00 + ((code - 0x10000) & 0x3FF);
    return 2;
}

}  // namespace

int utf8(unsigned long code, char* out) {
    int n;
    if (code < 0x80)
        n = 1;
    else if (code < 0x800)
        n = 2;
    else if (code < 0x10000)
        n = 3;
    else if (code < 0x200000)
        n = 4;
    else if (code < 0x4000000)
        n = 5;
    else if (code < 0x80000000UL)
        n = 6;
    else
        return 0;
    if (out) {
        if (n == 1) {
            out[0] = static_cast<char>(code);
        } else {
            for (int k = n - 1; k > 0; --k) {
                out[k] = static_cast<char>(0x80 | (code & 0x3F));
                code >>= 6;
            }
            out[0] = static_cast<char>((0xFF00 >> n) | code);
        }
    }
    return n;
}

int unc_to_utf8(const char* utf16, int bytes, char* out, int size) {
    if (!utf16 || bytes < 2) return 0;
    const int units = bytes / 2;
    int total = 0;
    for (int i = 0; i < units; ++i) {
        uint32_t c = unit_at(utf16, i);
        int used = 1;
        if (is_high(c) && i + 1 < units && is_low(unit_at(utf16, i + 1))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit_at(utf16, i + 1) - 0xDC00);
            used = 2;
        }
        char seq[6];
        const int n = utf8(c, seq);
        if (out) {
            if (total + n > size) break;
            for (int k = 0; k < n; ++k) out[total + k] = seq[k];
        }
        total += n;
        i += used - 1;
    }
    return total;
}

int get_utf8_size(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    if ((lead & 0xFC) == 0xF8) return 5;
    return 6;
}

int utf8_to_unicode(const char* utf8text, int len, char* out, int size) {
    if (!utf8text || !out) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8text);
    int in = 0;
    int written = 0;
    while (in < len && s[in]) {
        uint32_t code = 0;
        const int n = decode(s + in, len - in, &code);
        if (!n) return 0;
        uint32_t units[2];
        const int count = to_units(code, units);
        if (written + 2 * count >= size) return written;
        for (int k = 0; k < count; ++k) {
            out[written++] = static_cast<char>(units[k] & 0xFF);
            out[written++] = static_cast<char>(units[k] >> 8);
        }
        in += n;
    }
    return written;
}

int unicode(const unsigned char* utf8text, unsigned long* out) {
    if (!utf8text || !out) return 0;
    uint32_t code = 0;
    if (!decode(utf8text, get_utf8_size(utf8text[0]), &code)) return 0;
    uint32_t units[2];
    const int count = to_units(code, units);
    *out = count == 1 ? units[0] : (units[0] | (static_cast<unsigned long>(units[1]) << 16));
    return 2 * count;
}
