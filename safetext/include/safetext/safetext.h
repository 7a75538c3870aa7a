#pragma once

#include <string>
#include <string_view>

namespace safetext {

// text with every character that could steer a terminal or forge a line of
// output turned into a visible escape: the C0 controls and DEL ("\n", "\r",
// "\t", else "\x1b" and the like), the C1 controls, the line and paragraph
// separators and the bidirectional controls ("\u009b", "\u202e"), and bytes
// that are not UTF-8 ("\xff"). Everything else, UTF-8 included, passes
// unchanged. Backslashes stay as they are, so that Windows and registry
// paths read as ever and escaping twice changes nothing.
std::string escaped(std::string_view text);

inline std::string escaped(const char* text)
{
    return escaped(std::string_view(text ? text : ""));
}

} // namespace safetext
