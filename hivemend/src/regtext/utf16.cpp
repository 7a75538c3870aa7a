#include "utf16.h"

#include <cstdint>

#include "hivemend/unicode.h"

namespace hivemend::regtext {

namespace {

uint32_t unit(const unsigned char* p, size_t i) { return p[2 * i] | (p[2 * i + 1] << 8); }

void put_unit(std::string& out, uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
}

}  // namespace

std::string utf16le_to_utf8(const unsigned char* p, size_t bytes) {
    const auto* s = reinterpret_cast<const char*>(p);
    const int n = static_cast<int>(bytes);
    std::string out(static_cast<size_t>(unc_to_utf8(s, n, nullptr, 0)), 0);
    unc_to_utf8(s, n, out.data(), static_cast<int>(out.size()));
    return out;
}

std::string utf8_to_utf16le(std::string_view s) {
    std::string out;
    out.reserve(2 * s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80 ? 1 : get_utf8_size(c);
        uint32_t code = c;
        bool ok = n == 1 || (n >= 2 && n <= 4 && i + static_cast<size_t>(n) <= s.size());
        if (n > 1 && ok) {
            code = c & (0x7F >> n);
            for (int k = 1; k < n && ok; ++k) {
                const auto cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
                ok = (cc & 0xC0) == 0x80;
                code = (code << 6) | (cc & 0x3F);
            }
            const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            ok = ok && code >= least[n] && code <= 0x10FFFF;
        }
        if (!ok) {
            put_unit(out, c);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            put_unit(out, 0xD800 + ((code - 0x10000) >> 10));
            put_unit(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            put_unit(out, code);
        }
        i += static_cast<size_t>(n);
    }
    return out;
}

namespace {

std::string stored_name(const char* p, size_t len, bool latin1) {
    if (!latin1) return utf16le_to_utf8(reinterpret_cast<const unsigned char*>(p), len);
    std::string out;
    for (size_t i = 0; i < len; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::string key_name(const nk_key* nk) { return stored_name(nk_name(nk), nk->len_name, nk->type & NK_COMPRESSED_NAME); }

std::string value_name(const vk_key* vk) {
    return stored_name(vk_name(vk), vk->len_name, vk->flag & VK_COMPRESSED_NAME);
}

bool plain_text(const unsigned char* p, size_t bytes) {
    if (bytes < 2 || bytes % 2) return false;
    const size_t units = bytes / 2;
    if (unit(p, units - 1) != 0) return false;
    for (size_t i = 0; i + 1 < units; ++i) {
        const uint32_t u = unit(p, i);
        if (u == 0 || u == '\r' || u == '\n') return false;
        if (u >= 0xD800 && u < 0xDC00) {
            if (i + 2 >= units || unit(p, i + 1) < 0xDC00 || unit(p, i + 1) >= 0xE000) return false;
            ++i;
        } else if (u >= 0xDC00 && u < 0xE000) {
            return false;
        }
    }
    return true;
}

}  // namespace hivemend::regtext
