#include <safetext/safetext.h>

#include <cstdint>

namespace safetext {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void append_byte(std::string& out, unsigned char byte)
{
    switch (byte) {
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        out += "\\x";
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 0x0f]);
    }
}

void append_code_point(std::string& out, std::uint32_t code)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(kHex[(code >> shift) & 0x0f]);
}

// Characters beyond ASCII that a terminal acts on (C1: 0x9b opens a control
// sequence on many terminals) or that reorder or break the printed line.
bool is_steering(std::uint32_t code)
{
    return (code >= 0x80 && code <= 0x9f) || code == 0x061c || code == 0x200e || code == 0x200f
        || code == 0x2028 || code == 0x2029 || (code >= 0x202a && code <= 0x202e)
        || (code >= 0x2066 && code <= 0x2069);
}

// Length of the well-formed UTF-8 sequence at the start of text and its code
// point; 0 when the first byte does not begin one (stray continuation bytes,
// overlong forms, surrogates, code points beyond U+10FFFF, cut sequences).
std::size_t decode(std::string_view text, std::uint32_t* code)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t value = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        value = lead & 0x1f;
        minimum = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        value = lead & 0x0f;
        minimum = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
        value = value << 6 | (byte(i) & 0x3f);
    }
    if (value < minimum || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0;
    *code = value;
    return length;
}

} // namespace

std::string escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto lead = static_cast<unsigned char>(text.front());
        if (lead < 0x80) {
            if (lead < 0x20 || lead == 0x7f)
                append_byte(out, lead);
            else
                out.push_back(static_cast<char>(lead));
            text.remove_prefix(1);
            continue;
        }
        std::uint32_t code = 0;
        const std::size_t length = decode(text, &code);
        if (length == 0) {
            append_byte(out, lead);
            text.remove_prefix(1);
        } else {
            if (is_steering(code))
                append_code_point(out, code);
            else
                out.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return out;
}

} // namespace safetext
