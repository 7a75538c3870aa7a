#include "stickforge/burn.h"

#include "stickforge/platform.h"
#include "stickforge/tooltable.h"

namespace stickforge {

BurnResult ExtractTools(Platform &platform)
{
    const std::wstring temp = platform.tempFolder();
    for (const ToolFile &tool : kToolTable) {
        const auto bytes = platform.toolResource(tool.resourceId);
        if (!bytes)
            return {BurnResult::Kind::ToolWriteFailed, tool.name, 0};
        const FileWrite written = platform.writeFile(temp + tool.name, *bytes);
        if (written.status == FileWrite::Status::CreateFailed)
            return {BurnResult::Kind::ToolCreateFailed, tool.name, written.error};
        if (written.status == FileWrite::Status::WriteFailed)
            return {BurnResult::Kind::ToolWriteFailed, tool.name, written.error};
    }
    return {};
}

BurnResult InstallBootLoader(Platform &platform, const std::wstring &drive)
{
    const ToolRun run = platform.runTool(platform.tempFolder() + kSyslinuxExe, L"-ma " + drive);
    if (!run.started)
        return {BurnResult::Kind::BootLoaderNotStarted, kSyslinuxExe, run.error};
    if (run.exitCode != 0)
        return {BurnResult::Kind::BootLoaderFailed, kSyslinuxExe, run.exitCode};
    return {};
}

std::wstring sevenZipParameters(const BurnRequest &request)
{
    return L"x \"" + request.imagePath + L"\" -y -o" + request.stickRoot;
}

BurnResult ExtractImage(Platform &platform, const BurnRequest &request)
{
    const std::wstring parameters = sevenZipParameters(request);
    const std::wstring temp = platform.tempFolder();
    for (const ToolFile &tool : kToolTable) {
        if (!tool.onStick)
            continue;
        if (const unsigned long error = platform.copyFile(temp + tool.name, request.stickRoot + tool.name))
            return {BurnResult::Kind::CopyFailed, tool.name, error};
    }
    const ToolRun run = platform.runTool(temp + kSevenZipExe, parameters);
    if (!run.started)
        return {BurnResult::Kind::ExtractNotStarted, kSevenZipExe, run.error};
    if (run.exitCode != 0)
        return {BurnResult::Kind::ExtractFailed, kSevenZipExe, run.exitCode};
    return {};
}

void DeleteTools(Platform &platform)
{
    const std::wstring temp = platform.tempFolder();
    for (const ToolFile &tool : kToolTable)
        platform.deleteFile(temp + tool.name);
}

} // namespace stickforge
