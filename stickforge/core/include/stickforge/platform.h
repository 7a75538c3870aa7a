#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace stickforge {

// What opening a volume and asking for its device property gave.
struct VolumeProbe {
    enum class Status { Ok, OpenFailed, QueryFailed };
    Status status = Status::OpenFailed;
    unsigned long error = 0;         // the system's error code when not Ok
    std::vector<uint8_t> descriptor; // STORAGE_DEVICE_DESCRIPTOR bytes returned
};

struct DiskSpace {
    uint64_t freeToCaller = 0;
    uint64_t total = 0;
};

struct ToolRun {
    bool started = false;
    unsigned long error = 0;    // why it did not start
    unsigned long exitCode = 0; // when it started: its exit code
};

struct FileWrite {
    enum class Status { Ok, CreateFailed, WriteFailed };
    Status status = Status::Ok;
    unsigned long error = 0;
};

// The Windows services the stick writer's logic uses, all stateless, so the
// drive watcher and the extraction thread call them beside the dialog.
// WindowsPlatform implements them with the Unicode API; tests use a fake.
class Platform {
public:
    virtual ~Platform() = default;

    // Bit mask of present drive letters, bit 0 = A:.
    virtual uint32_t logicalDrives() = 0;
    // Opens "\\.\X:" (read access, shared read and write), asks for the
    // standard storage device property (1024-byte answer) and closes it.
    virtual VolumeProbe probeVolume(wchar_t letter) = 0;
    // Free bytes available to the caller and total bytes of "X:".
    virtual std::optional<DiskSpace> diskSpace(const std::wstring &drive, unsigned long *error) = 0;
    // 8-bit device strings in the ANSI code page.
    virtual std::wstring fromAnsi(const std::string &text) = 0;

    // Bytes of a "TOOLS" resource of the program.
    virtual std::optional<std::span<const uint8_t>> toolResource(int id) = 0;
    // The user's temporary folder, ending in a backslash.
    virtual std::wstring tempFolder() = 0;
    // Creates (or replaces) a file, shared for reading, writing and deleting.
    virtual FileWrite writeFile(const std::wstring &path, std::span<const uint8_t> bytes) = 0;
    // Copies a file over any file of the same name; 0 or the error code.
    virtual unsigned long copyFile(const std::wstring &from, const std::wstring &to) = 0;
    virtual bool deleteFile(const std::wstring &path) = 0;
    virtual bool fileExists(const std::wstring &path) = 0;
    virtual std::wstring currentDirectory() = 0;
    // Runs a program with its window hidden and waits until it ends.
    virtual ToolRun runTool(const std::wstring &program, const std::wstring &parameters) = 0;

    // Diagnostics for a debugger; never shown to the user.
    virtual void debugLog(const std::wstring &line) = 0;
};

} // namespace stickforge
