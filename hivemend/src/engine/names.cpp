#include "engine/names.h"

#include <cstdint>

namespace hivemend {

namespace {

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

// The Latin-1 bytes of code points that all fit in 8 bits.
bool latin1_form(const std::u32string& cps, std::string* out) {
    for (const char32_t c : cps) {
        if (c > 0xFF) return false;
        *out += static_cast<char>(c);
    }
    return true;
}

}  // namespace

std::string utf8_to_latin1(std::string_view s) {
    std::u32string cps;
    std::string out;
    if (!utf8_code_points(s, &cps) || !latin1_form(cps, &out)) return {};
    for (const char c : out)
        if (static_cast<unsigned char>(c) >= 0x80) return out;
    return {};
}

StoredName encode_name(std::string_view given) {
    std::u32string cps;
    if (!utf8_code_points(given, &cps)) return {std::string(given), true};
    std::string latin1;
    if (latin1_form(cps, &latin1)) return {latin1, true};
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
        if (fold_az(static_cast<unsigned char>(a[i])) != fold_az(static_cast<unsigned char>(b[i]))) return false;
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

std::string stored_name_utf8(std::string_view bytes, bool compressed) {
    return compressed ? latin1_to_utf8(bytes.data(), bytes.size()) : utf16le_to_utf8(bytes.data(), bytes.size());
}

std::string key_name_whole(const nk_key* nk) {
    return stored_name_utf8({nk_name(nk), nk->len_name}, nk->type & NK_COMPRESSED_NAME);
}

std::string value_name_whole(const vk_key* vk) {
    return stored_name_utf8({vk_name(vk), vk->len_name}, vk->flag & VK_COMPRESSED_NAME);
}

std::string key_name_utf8(const nk_key* nk) { return key_name_whole(nk).c_str(); }

std::string value_name_utf8(const vk_key* vk) { return value_name_whole(vk).c_str(); }

}  // namespace hivemend
