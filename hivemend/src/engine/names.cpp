#include "names.h"

#include <cstdint>
#include <cstdlib>

#include "hivemend/text.h"

namespace hivemend {

namespace {

void put_unit(std::string& out, uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
}

// Decodes strict UTF-8 into code points; false for anything else.
bool decode_utf8(std::string_view s, std::u32string* out) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (!n || i + static_cast<size_t>(n) > s.size()) return false;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (int k = 1; k < n; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
        out->push_back(cp);
        i += static_cast<size_t>(n);
    }
    return true;
}

// The characters of a stored name as UTF-16 code units.
std::u16string units(std::string_view name, bool compressed) {
    std::u16string u;
    if (compressed) {
        for (const char c : name) u.push_back(static_cast<unsigned char>(c));
    } else {
        for (size_t i = 0; i + 1 < name.size(); i += 2)
            u.push_back(static_cast<char16_t>(static_cast<unsigned char>(name[i]) |
                                              (static_cast<unsigned char>(name[i + 1]) << 8)));
    }
    return u;
}

uint32_t upcase(uint32_t c) {
    if ((c >= 0x61 && c <= 0x7A) || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    return c;
}

std::string adopt(char* s) {
    std::string r = s;
    free(s);
    return r;
}

}  // namespace

std::string utf8_to_utf16le(std::string_view s) {
    std::string out;
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t left = s.size() - i;
        auto cont = [&](size_t k) { return static_cast<unsigned char>(s[i + k]) & 0x3F; };
        if (c < 0x80) {
            put_unit(out, c);
            i += 1;
        } else if ((c & 0xE0) == 0xC0 && left >= 2) {
            put_unit(out, ((c & 0x1F) << 6) | cont(1));
            i += 2;
        } else if ((c & 0xF8) == 0xF0 && left >= 4) {
            const uint32_t cp = ((c & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
            if (cp >= 0x10000 && cp < 0x110000) {
                put_unit(out, 0xD800 + ((cp - 0x10000) >> 10));
                put_unit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
            }
            i += 4;
        } else if (c >= 0xC0 && left >= 3) {
            put_unit(out, ((c & 0x0F) << 12) | (cont(1) << 6) | cont(2));
            i += 3;
        } else {
            i += 1;  // a stray byte that begins no sequence
        }
    }
    return out;
}

std::string utf8_to_latin1(std::string_view s) {
    std::u32string cps;
    if (!decode_utf8(s, &cps)) return {};
    std::string out;
    bool ascii = true;
    for (const char32_t c : cps) {
        if (c > 0xFF) return {};
        ascii = ascii && c < 0x80;
        out += static_cast<char>(c);
    }
    return ascii ? std::string() : out;
}

StoredName encode_name(std::string_view given) {
    std::u32string cps;
    if (!decode_utf8(given, &cps)) return {std::string(given), true};
    bool fits = true;
    for (const char32_t c : cps) fits = fits && c <= 0xFF;
    if (fits) {
        std::string out;
        for (const char32_t c : cps) out += static_cast<char>(c);
        return {out, true};
    }
    return {utf8_to_utf16le(given), false};
}

int order_names(std::string_view a, bool a_compressed, std::string_view b, bool b_compressed) {
    // Character i of a stored name, read in place: index lists are ordered on
    // every insertion, so no copies.
    const auto unit = [](std::string_view n, bool compressed, size_t i) -> uint32_t {
        if (compressed) return static_cast<unsigned char>(n[i]);
        return static_cast<unsigned char>(n[2 * i]) | (static_cast<unsigned char>(n[2 * i + 1]) << 8);
    };
    const size_t na = a_compressed ? a.size() : a.size() / 2;
    const size_t nb = b_compressed ? b.size() : b.size() / 2;
    for (size_t i = 0; i < na && i < nb; ++i) {
        const uint32_t p = upcase(unit(a, a_compressed, i));
        const uint32_t q = upcase(unit(b, b_compressed, i));
        if (p != q) return p < q ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

uint32_t name_hash(std::string_view name, bool compressed) {
    uint32_t h = 0;
    for (const char16_t u : units(name, compressed)) h = h * 37 + (u == 0xB5 || u == 0xFF ? 0 : upcase(u));
    return h;
}

uint32_t name_hint(std::string_view name, bool compressed) {
    const std::u16string u = units(name, compressed);
    uint32_t hint = 0;
    for (size_t i = 0; i < 4 && i < u.size(); ++i) hint |= static_cast<uint32_t>(u[i] & 0xFF) << (8 * i);
    return hint;
}

bool casefold_equal(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 0x20);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 0x20);
        if (x != y) return false;
    }
    return true;
}

bool key_name_matches(const nk_key* nk, const NameQuery& q, bool prefix) {
    const size_t len = nk->len_name;
    if (nk->type & NK_COMPRESSED_NAME) {
        const auto matches = [&](std::string_view form) {
            if (form.size() > len || (!prefix && form.size() != len)) return false;
            return casefold_equal(form.data(), nk_name(nk), form.size());
        };
        return matches(q.bytes) || (!q.latin1.empty() && matches(q.latin1));
    }
    if (q.utf16.size() > len || (!prefix && q.utf16.size() != len)) return false;
    return q.utf16.compare(0, q.utf16.size(), nk_name(nk), q.utf16.size()) == 0;
}

bool value_name_matches(const vk_key* vk, const NameQuery& q) {
    const size_t len = vk->len_name;
    if (q.bytes == "@" && len == 0) return true;
    if (vk->flag & VK_COMPRESSED_NAME) {
        const auto matches = [&](std::string_view form) {
            return form.size() == len && casefold_equal(form.data(), vk_name(vk), len);
        };
        return matches(q.bytes) || (!q.latin1.empty() && matches(q.latin1));
    }
    return q.utf16.size() == len && q.utf16.compare(0, len, vk_name(vk), len) == 0;
}

std::string key_name_utf8(const nk_key* nk) {
    return adopt((nk->type & NK_COMPRESSED_NAME) ? string_latin1_to_utf8(nk_name(nk), nk->len_name)
                                                 : string_regw2prog(nk_name(nk), nk->len_name));
}

std::string value_name_utf8(const vk_key* vk) {
    return adopt((vk->flag & VK_COMPRESSED_NAME) ? string_latin1_to_utf8(vk_name(vk), vk->len_name)
                                                 : string_regw2prog(vk_name(vk), vk->len_name));
}

}  // namespace hivemend
