#include "fakewindows.h"

#include "stickforge/tooltable.h"

namespace stickforge::testing {
namespace {

void putU32(std::vector<uint8_t> &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
}

// A STORAGE_DEVICE_DESCRIPTOR laid out as a driver returns it: the fixed
// part, then the strings, each padded with blanks as USB devices pad them.
std::vector<uint8_t> descriptorOf(const FakeDrive &drive)
{
    std::vector<uint8_t> bytes(40, 0);
    putU32(bytes, 0, 1);
    putU32(bytes, 28, drive.busType);
    auto addString = [&](size_t field, const std::string &text) {
        if (text.empty())
            return;
        putU32(bytes, field, uint32_t(bytes.size()));
        for (const char c : text + "  ")
            bytes.push_back(uint8_t(c));
        bytes.push_back(0);
    };
    addString(12, drive.vendor);
    addString(16, drive.product);
    putU32(bytes, 4, uint32_t(bytes.size()));
    return bytes;
}

} // namespace

FakePlatform::FakePlatform()
{
    for (const ToolFile &tool : kToolTable) {
        const std::wstring name = tool.name;
        resources[tool.resourceId] = std::vector<uint8_t>(name.begin(), name.end());
    }
}

uint32_t FakePlatform::logicalDrives()
{
    uint32_t mask = 1u << 2; // C:, the system disk: never on the USB bus here
    for (const auto &[letter, drive] : drives)
        mask |= 1u << (letter - L'A');
    return mask;
}

VolumeProbe FakePlatform::probeVolume(wchar_t letter)
{
    ++probes[letter];
    const auto it = drives.find(letter);
    if (letter == L'C') {
        FakeDrive systemDisk;
        systemDisk.busType = 11; // SATA
        return {VolumeProbe::Status::Ok, 0, descriptorOf(systemDisk)};
    }
    if (it == drives.end() || !it->second.opens)
        return {VolumeProbe::Status::OpenFailed, 2, {}};
    if (!it->second.answersQuery)
        return {VolumeProbe::Status::QueryFailed, 1, {}};
    return {VolumeProbe::Status::Ok, 0, descriptorOf(it->second)};
}

std::optional<DiskSpace> FakePlatform::diskSpace(const std::wstring &drive, unsigned long *error)
{
    const auto it = drives.find(drive.at(0));
    if (it == drives.end() || !it->second.tellsSpace) {
        *error = 21; // the device is not ready
        return std::nullopt;
    }
    return DiskSpace{it->second.freeBytes, it->second.totalBytes};
}

std::wstring FakePlatform::fromAnsi(const std::string &text)
{
    std::wstring out;
    for (unsigned char c : text)
        out += wchar_t(c); // Latin-1 stands for the ANSI code page
    return out;
}

std::optional<std::span<const uint8_t>> FakePlatform::toolResource(int id)
{
    const auto it = resources.find(id);
    if (it == resources.end())
        return std::nullopt;
    return std::span<const uint8_t>(it->second);
}

FileWrite FakePlatform::writeFile(const std::wstring &path, std::span<const uint8_t> bytes)
{
    if (uncreatable.count(path))
        return {FileWrite::Status::CreateFailed, 5};
    if (unwritable.count(path)) {
        files[path] = {};
        return {FileWrite::Status::WriteFailed, 112};
    }
    files[path] = std::vector<uint8_t>(bytes.begin(), bytes.end());
    return {};
}

unsigned long FakePlatform::copyFile(const std::wstring &from, const std::wstring &to)
{
    if (const auto it = copyErrors.find(to); it != copyErrors.end())
        return it->second;
    const auto source = files.find(from);
    if (source == files.end())
        return 2;
    files[to] = source->second;
    return 0;
}

bool FakePlatform::deleteFile(const std::wstring &path)
{
    return files.erase(path) != 0;
}

ToolRun FakePlatform::runTool(const std::wstring &program, const std::wstring &parameters)
{
    runs.emplace_back(program, parameters);
    if (!files.count(program))
        return {false, 2, 0};
    if (const auto it = toolResults.find(program); it != toolResults.end())
        return it->second;
    return {true, 0, 0};
}

bool FakeView::isEnabled(int control) const
{
    const auto it = enabled.find(control);
    return it == enabled.end() || it->second; // controls start enabled
}

std::vector<std::wstring> FakeView::itemTexts() const
{
    std::vector<std::wstring> out;
    for (const auto &item : items)
        out.push_back(item.first);
    return out;
}

std::wstring FakeView::selectedText() const
{
    if (selection < 0 || size_t(selection) >= items.size())
        return {};
    return items[size_t(selection)].first;
}

void FakeView::insertItem(int index, const std::wstring &text, uint32_t data)
{
    items.insert(items.begin() + index, {text, data});
    if (selection >= index)
        ++selection;
}

// As a combo box does: the selection stays with its item, or is lost with it.
void FakeView::deleteItem(int index)
{
    items.erase(items.begin() + index);
    if (selection == index)
        selection = -1;
    else if (selection > index)
        --selection;
}

void FakeView::showMessage(const std::wstring &text, const std::wstring &title, MessageKind kind)
{
    messages.push_back({text, title, kind});
}

} // namespace stickforge::testing
