#pragma once

#include <string>
#include <string_view>

namespace nimbixd {

inline bool is_md5_hex(std::string_view text)
{
    return text.size() == 32 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

inline std::string to_lower_hex(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

inline std::string hex_of(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 0x0f]);
    }
    return hex;
}

} // namespace nimbixd
