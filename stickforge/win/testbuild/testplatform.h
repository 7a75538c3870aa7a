#pragma once

#include <string>

#include "windowsplatform.h"

namespace stickforge {

// Windows as it is, except that one drive letter, which Wine maps to a
// folder, answers as a USB stick, and that the boot loader installer, which
// needs a real volume, only has its command line recorded. Set by the
// environment of the Wine tests:
//   STICKFORGE_TEST_STICK=S               the letter of the stick folder
//   STICKFORGE_TEST_SYSLINUX_LOG=Z:\...   where the installer's parameters go
class TestPlatform : public WindowsPlatform {
public:
    TestPlatform();

    VolumeProbe probeVolume(wchar_t letter) override;
    ToolRun runTool(const std::wstring &program, const std::wstring &parameters) override;

private:
    wchar_t m_stick = 0;
    std::wstring m_syslinuxLog;
};

} // namespace stickforge
