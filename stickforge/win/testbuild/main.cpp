// Stickforge-wine-test.exe: the program with the test platform, for the Wine
// tests that write a "stick" folder.
#include <windows.h>

#include "program.h"
#include "testplatform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    stickforge::TestPlatform platform;
    return stickforge::runProgram(instance, platform);
}
