#pragma once

#include <string>

namespace stickforge {

class Platform;

// What the extraction thread is handed: the image and the stick's root
// ("E:\").
struct BurnRequest {
    std::wstring imagePath;
    std::wstring stickRoot;
};

// The outcome of one step of writing a stick; every failure says what failed.
struct BurnResult {
    enum class Kind {
        Ok,
        ToolCreateFailed,     // a tool file could not be created in the temporary folder
        ToolWriteFailed,      // ... or not written whole
        BootLoaderNotStarted, // syslinux.exe did not start
        BootLoaderFailed,     // syslinux.exe ended with an exit code other than 0
        CopyFailed,           // a menu file could not be copied to the stick
        ExtractNotStarted,    // 7z.exe did not start
        ExtractFailed,        // 7z.exe ended with an exit code other than 0
    };
    Kind kind = Kind::Ok;
    std::wstring file;      // the file concerned, where there is one
    unsigned long code = 0; // the error or exit code
    bool ok() const { return kind == Kind::Ok; }
};

// Writes every tool file from the program's resources into the temporary folder.
BurnResult ExtractTools(Platform &platform);

// Runs syslinux.exe from the temporary folder on "E:" with "-ma" (write the
// master boot record, mark the partition active) and waits for it.
BurnResult InstallBootLoader(Platform &platform, const std::wstring &drive);

// 7-Zip's parameters: extract with full paths, yes to every question, into
// the stick's root: x "IMAGE" -y -oE:\ .
std::wstring sevenZipParameters(const BurnRequest &request);

// The extraction thread's work: the boot menu files to the stick, then every
// file of the image through 7z.exe.
BurnResult ExtractImage(Platform &platform, const BurnRequest &request);

// Removes the tool files from the temporary folder.
void DeleteTools(Platform &platform);

} // namespace stickforge
