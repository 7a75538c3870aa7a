#pragma once

#include <windows.h>

namespace stickforge {

class Platform;

// The program's run: COM and the common controls (bar classes), then the
// main dialog until it ends.
int runProgram(HINSTANCE instance, Platform &platform);

} // namespace stickforge
