#pragma once

#include "stickforge/platform.h"

namespace stickforge {

// The platform interface on the Windows Unicode API.
class WindowsPlatform : public Platform {
public:
    uint32_t logicalDrives() override;
    VolumeProbe probeVolume(wchar_t letter) override;
    std::optional<DiskSpace> diskSpace(const std::wstring &drive, unsigned long *error) override;
    std::wstring fromAnsi(const std::string &text) override;
    std::optional<std::span<const uint8_t>> toolResource(int id) override;
    std::wstring tempFolder() override;
    FileWrite writeFile(const std::wstring &path, std::span<const uint8_t> bytes) override;
    unsigned long copyFile(const std::wstring &from, const std::wstring &to) override;
    bool deleteFile(const std::wstring &path) override;
    bool fileExists(const std::wstring &path) override;
    std::wstring currentDirectory() override;
    ToolRun runTool(const std::wstring &program, const std::wstring &parameters) override;
    void debugLog(const std::wstring &line) override;
};

} // namespace stickforge
