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
        if (q.bytes.size() > len || (!prefix && q.bytes.size() != len)) return false;
        return casefold_equal(q.bytes.data(), nk_name(nk), q.bytes.size());
    }
    if (q.utf16.size() > len || (!prefix && q.utf16.size() != len)) return false;
    return q.utf16.compare(0, q.utf16.size(), nk_name(nk), q.utf16.size()) == 0;
}

bool value_name_matches(const vk_key* vk, const NameQuery& q) {
    const size_t len = vk->len_name;
    if (q.bytes == "@" && len == 0) return true;
    if (vk->flag & VK_COMPRESSED_NAME) {
        return q.bytes.size() == len && casefold_equal(q.bytes.data(), vk_name(vk), len);
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
