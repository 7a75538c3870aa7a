#include "windowsplatform.h"

#include <windows.h>
#include <shellapi.h>
#include <winioctl.h>

#include <vector>

namespace stickforge {

uint32_t WindowsPlatform::logicalDrives()
{
    return GetLogicalDrives();
}

VolumeProbe WindowsPlatform::probeVolume(wchar_t letter)
{
    wchar_t path[] = L"\\\\.\\A:";
    path[4] = letter;
    HANDLE volume = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE)
        return {VolumeProbe::Status::OpenFailed, GetLastError(), {}};

    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<uint8_t> answer(1024);
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                                    answer.data(), DWORD(answer.size()), &returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(volume);
    if (!ok)
        return {VolumeProbe::Status::QueryFailed, error, {}};
    answer.resize(returned < answer.size() ? returned : answer.size());
    return {VolumeProbe::Status::Ok, 0, std::move(answer)};
}

std::optional<DiskSpace> WindowsPlatform::diskSpace(const std::wstring &drive, unsigned long *error)
{
    ULARGE_INTEGER freeToCaller{}, total{};
    if (!GetDiskFreeSpaceExW(drive.c_str(), &freeToCaller, &total, nullptr)) {
        *error = GetLastError();
        return std::nullopt;
    }
    return DiskSpace{freeToCaller.QuadPart, total.QuadPart};
}

std::wstring WindowsPlatform::fromAnsi(const std::string &text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::optional<std::span<const uint8_t>> WindowsPlatform::toolResource(int id)
{
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"TOOLS");
    if (!info)
        return std::nullopt;
    HGLOBAL loaded = LoadResource(nullptr, info);
    const void *bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return std::nullopt;
    return std::span<const uint8_t>(static_cast<const uint8_t *>(bytes), SizeofResource(nullptr, info));
}

std::wstring WindowsPlatform::tempFolder()
{
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return {};
    return std::wstring(buffer, length);
}

FileWrite WindowsPlatform::writeFile(const std::wstring &path, std::span<const uint8_t> bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {FileWrite::Status::CreateFailed, GetLastError()};
    size_t done = 0;
    DWORD error = 0;
    while (done < bytes.size()) {
        const DWORD chunk = DWORD(bytes.size() - done > (1u << 30) ? (1u << 30) : bytes.size() - done);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            error = GetLastError();
            break;
        }
        done += written;
    }
    if (!CloseHandle(file) && error == 0)
        error = GetLastError();
    if (done != bytes.size() || error != 0)
        return {FileWrite::Status::WriteFailed, error};
    return {};
}

unsigned long WindowsPlatform::copyFile(const std::wstring &from, const std::wstring &to)
{
    return CopyFileW(from.c_str(), to.c_str(), FALSE) ? 0 : GetLastError();
}

bool WindowsPlatform::deleteFile(const std::wstring &path)
{
    return DeleteFileW(path.c_str()) != 0;
}

bool WindowsPlatform::fileExists(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WindowsPlatform::currentDirectory()
{
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0)
        return {};
    std::wstring folder(length, L'\0');
    const DWORD written = GetCurrentDirectoryW(length, folder.data());
    folder.resize(written < length ? written : 0);
    return folder;
}

ToolRun WindowsPlatform::runTool(const std::wstring &program, const std::wstring &parameters)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExW(&info))
        return {false, GetLastError(), 0};
    // Without a process there is no exit code to judge the run by.
    if (!info.hProcess)
        return {false, ERROR_INVALID_HANDLE, 0};
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD exitCode = 0;
    const bool known = GetExitCodeProcess(info.hProcess, &exitCode);
    const DWORD error = GetLastError();
    CloseHandle(info.hProcess);
    if (!known)
        return {false, error, 0};
    return {true, 0, exitCode};
}

void WindowsPlatform::debugLog(const std::wstring &line)
{
    OutputDebugStringW(line.c_str());
}

} // namespace stickforge
