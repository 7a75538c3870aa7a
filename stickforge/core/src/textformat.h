#pragma once

#include <string>

namespace stickforge {

// The message patterns carry one "%s" and one number ("%d" or "%lu"); wide
// printf spells strings differently on Windows and elsewhere, so the logic
// fills them itself.
std::wstring fillText(const wchar_t *pattern, const std::wstring &text, unsigned long number = 0);

std::wstring widen(const std::string &ascii);

} // namespace stickforge
