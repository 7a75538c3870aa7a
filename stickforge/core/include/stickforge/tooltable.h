#pragma once

#include <array>

#include "stickforge/resource.h"

namespace stickforge {

// One tool file carried as a "TOOLS" resource: written to the temporary
// folder before use; the boot menu files are then copied to the stick.
struct ToolFile {
    const wchar_t *name;
    int resourceId;
    bool onStick;
};

// SYSLINUX 6's menu module loads libcom32.c32 and libutil.c32 from the stick,
// so they travel with it.
inline constexpr std::array<ToolFile, 8> kToolTable{{
    {L"syslinux.cfg", IDR_SYSLINUX_CFG, true},
    {L"vesamenu.c32", IDR_VESAMENU_C32, true},
    {L"splash.png", IDR_SPLASH_PNG, true},
    {L"libcom32.c32", IDR_LIBCOM32_C32, true},
    {L"libutil.c32", IDR_LIBUTIL_C32, true},
    {L"7z.exe", IDR_7Z_EXE, false},
    {L"7z.dll", IDR_7Z_DLL, false},
    {L"syslinux.exe", IDR_SYSLINUX_EXE, false},
}};

inline constexpr const wchar_t *kSevenZipExe = L"7z.exe";
inline constexpr const wchar_t *kSyslinuxExe = L"syslinux.exe";

} // namespace stickforge
