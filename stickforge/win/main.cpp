#include <windows.h>

#include "program.h"
#include "windowsplatform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    stickforge::WindowsPlatform platform;
    return stickforge::runProgram(instance, platform);
}
