#include "textformat.h"

namespace stickforge {

std::wstring fillText(const wchar_t *pattern, const std::wstring &text, unsigned long number)
{
    std::wstring out;
    for (const wchar_t *p = pattern; *p; ++p) {
        if (p[0] == L'%' && p[1] == L's') {
            out += text;
            p += 1;
        } else if (p[0] == L'%' && p[1] == L'd') {
            out += std::to_wstring(number);
            p += 1;
        } else if (p[0] == L'%' && p[1] == L'l' && p[2] == L'u') {
            out += std::to_wstring(number);
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

std::wstring widen(const std::string &ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

} // namespace stickforge
