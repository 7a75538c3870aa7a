#include "testplatform.h"

#include <windows.h>

#include <cwctype>

namespace stickforge {
namespace {

std::wstring environment(const wchar_t *name)
{
    wchar_t value[1024];
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

bool endsWithIgnoringCase(const std::wstring &text, const std::wstring &tail)
{
    if (text.size() < tail.size())
        return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        if (std::towlower(text[text.size() - tail.size() + i]) != std::towlower(tail[i]))
            return false;
    }
    return true;
}

} // namespace

TestPlatform::TestPlatform()
{
    const std::wstring stick = environment(L"STICKFORGE_TEST_STICK");
    if (!stick.empty())
        m_stick = wchar_t(std::towupper(stick[0]));
    m_syslinuxLog = environment(L"STICKFORGE_TEST_SYSLINUX_LOG");
}

VolumeProbe TestPlatform::probeVolume(wchar_t letter)
{
    if (letter != m_stick)
        return WindowsPlatform::probeVolume(letter);
    // A STORAGE_DEVICE_DESCRIPTOR of a USB stick, ids padded as devices pad them.
    const char ids[] = "Wine    \0Test Stick      \0";
    std::vector<uint8_t> bytes(36, 0);
    bytes[0] = 1;
    bytes[12] = 36;
    bytes[16] = 45;
    bytes[28] = 7;
    for (size_t i = 0; i + 1 < sizeof ids; ++i)
        bytes.push_back(uint8_t(ids[i]));
    bytes[4] = uint8_t(bytes.size());
    return {VolumeProbe::Status::Ok, 0, bytes};
}

ToolRun TestPlatform::runTool(const std::wstring &program, const std::wstring &parameters)
{
    if (!endsWithIgnoringCase(program, L"\\syslinux.exe") || m_syslinuxLog.empty())
        return WindowsPlatform::runTool(program, parameters);
    HANDLE log = CreateFileW(m_syslinuxLog.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return {false, GetLastError(), 0};
    const std::string line(parameters.begin(), parameters.end());
    DWORD written = 0;
    WriteFile(log, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(log);
    return {true, 0, 0};
}

} // namespace stickforge
