#pragma once

#include <string>

namespace stickforge {

// The boot menu configuration written to the stick as syslinux.cfg: 8-bit
// text, lines ending in CR LF, the last one without a line end.
std::string syslinuxConfig();

} // namespace stickforge
