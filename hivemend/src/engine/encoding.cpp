// UTF-8, UTF-16LE and Latin-1: every conversion of the library.

#include "engine/encoding.h"

#include <cstring>

#include "hivemend/text.h"
#include "hivemend/unicode.h"

namespace hivemend {

namespace {

bool is_high(uint32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool is_low(uint32_t u) { return u >= 0xDC00 && u < 0xE000; }

// Calls f(code point) for each character of `units` UTF-16LE units, a
// surrogate pair as one, until f returns false.
template <class F>
void each_utf16_char(const unsigned char* p, size_t units, F&& f) {
    const auto unit = [p](size_t i) { return static_cast<uint32_t>(p[2 * i] | (p[2 * i + 1] << 8)); };
    for (size_t i = 0; i < units; ++i) {
        uint32_t c = unit(i);
        if (is_high(c) && i + 1 < units && is_low(unit(i + 1))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        }
        if (!f(c)) return;
    }
}

// The UTF-16 units of a code point: one, or a surrogate pair.
int utf16_units(uint32_t code, uint32_t units[2]) {
    if (code < 0x10000) {
        units[0] = code;
        return 1;
    }
    units[0] = 0xD800 + ((code - 0x10000) >> 10);
    units[1] = 0xDC00 + ((code - 0x10000) & 0x3FF);
    return 2;
}

void append_unit(std::string& out, uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
}

void append_utf8(std::string& out, uint32_t code) {
    char seq[6];
    out.append(seq, static_cast<size_t>(utf8(code, seq)));
}

}  // namespace

Utf8Char decode_utf8(const unsigned char* s, size_t avail, bool strict) {
    if (!avail) return {};
    const int n = get_utf8_size(s[0]);
    if (n == 1) return strict && s[0] >= 0x80 ? Utf8Char{} : Utf8Char{s[0], 1};
    if (n > 4 || static_cast<size_t>(n) > avail) return {};
    uint32_t code = s[0] & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
        if ((s[k] & 0xC0) != 0x80) return {};
        code = (code << 6) | (s[k] & 0x3F);
    }
    static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || code > 0x10FFFF) return {};
    if (strict && (is_high(code) || is_low(code))) return {};
    return {code, n};
}

bool utf8_code_points(std::string_view s, std::u32string* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0; i < s.size();) {
        const Utf8Char c = decode_utf8(p + i, s.size() - i, true);
        if (!c.len) return false;
        out->push_back(c.code);
        i += static_cast<size_t>(c.len);
    }
    return true;
}

std::string utf8_to_utf16le(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::string out;
    out.reserve(2 * s.size());
    for (size_t i = 0; i < s.size();) {
        const Utf8Char c = decode_utf8(p + i, s.size() - i, false);
        uint32_t units[2] = {p[i], 0};
        const int n = c.len ? utf16_units(c.code, units) : 1;
        for (int k = 0; k < n; ++k) append_unit(out, units[k]);
        i += c.len ? static_cast<size_t>(c.len) : 1;
    }
    return out;
}

std::string utf16le_to_utf8(const void* p, size_t bytes) {
    std::string out;
    each_utf16_char(static_cast<const unsigned char*>(p), bytes / 2, [&](uint32_t c) {
        append_utf8(out, c);
        return true;
    });
    return out;
}

std::string latin1_to_utf8(const void* p, size_t bytes) {
    const auto* b = static_cast<const unsigned char*>(p);
    std::string out;
    for (size_t i = 0; i < bytes; ++i) append_utf8(out, b[i]);
    return out;
}

}  // namespace hivemend

using namespace hivemend;

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
    int total = 0;
    each_utf16_char(reinterpret_cast<const unsigned char*>(utf16), static_cast<size_t>(bytes / 2), [&](uint32_t c) {
        char seq[6];
        const int n = utf8(c, seq);
        if (out) {
            if (total + n > size) return false;
            std::memcpy(out + total, seq, static_cast<size_t>(n));
        }
        total += n;
        return true;
    });
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
        const Utf8Char c = decode_utf8(s + in, static_cast<size_t>(len - in), false);
        if (!c.len) return 0;
        uint32_t units[2];
        const int count = utf16_units(c.code, units);
        if (written + 2 * count >= size) return written;
        for (int k = 0; k < count; ++k) {
            out[written++] = static_cast<char>(units[k] & 0xFF);
            out[written++] = static_cast<char>(units[k] >> 8);
        }
        in += c.len;
    }
    return written;
}

int unicode(const unsigned char* utf8text, unsigned long* out) {
    if (!utf8text || !out) return 0;
    // A shorter sequence ends at the text's terminator, which is no continuation byte.
    const Utf8Char c = decode_utf8(utf8text, static_cast<size_t>(get_utf8_size(utf8text[0])), false);
    if (!c.len) return 0;
    uint32_t units[2];
    const int count = utf16_units(c.code, units);
    *out = count == 1 ? units[0] : (units[0] | (static_cast<unsigned long>(units[1]) << 16));
    return 2 * count;
}

char* string_regw2prog(const void* string, int bytes) {
    const std::string s = utf16le_to_utf8(string, bytes > 0 ? static_cast<size_t>(bytes) : 0);
    return mem_str(s.data(), static_cast<int>(s.size()));
}

char* string_latin1_to_utf8(const void* string, int bytes) {
    const std::string s = latin1_to_utf8(string, bytes > 0 ? static_cast<size_t>(bytes) : 0);
    return mem_str(s.data(), static_cast<int>(s.size()));
}
