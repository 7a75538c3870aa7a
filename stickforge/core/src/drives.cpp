#include "stickforge/drives.h"

#include <cstdio>
#include <cstring>

#include "stickforge/platform.h"
#include "textformat.h"

namespace stickforge {
namespace {

// Field offsets of STORAGE_DEVICE_DESCRIPTOR.
constexpr size_t kVendorIdOffset = 12;
constexpr size_t kProductIdOffset = 16;
constexpr size_t kBusTypeOffset = 28;

uint32_t readU32(std::span<const uint8_t> bytes, size_t at)
{
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

// The zero-terminated string at an offset the device gave, bounded by the
// bytes returned; trailing blanks removed.
std::string deviceString(std::span<const uint8_t> bytes, uint32_t offset)
{
    if (offset == 0 || offset >= bytes.size())
        return {};
    std::string s;
    for (size_t i = offset; i < bytes.size() && bytes[i] != 0; ++i)
        s += char(bytes[i]);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Device ids come from the device: characters that could steer the display
// (C0 and C1 controls, line separators, bidirectional controls) are shown
// as escapes, as the project's other outside texts are.
std::wstring escapeControls(const std::wstring &text)
{
    static const wchar_t hex[] = L"0123456789abcdef";
    std::wstring out;
    for (wchar_t c : text) {
        const unsigned u = unsigned(c);
        const bool control = u < 0x20 || (u >= 0x7f && u < 0xa0);
        const bool steering = u == 0x2028 || u == 0x2029 || u == 0x200e || u == 0x200f ||
                              (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069);
        if (control) {
            out += L"\\x";
            out += hex[(u >> 4) & 0xf];
            out += hex[u & 0xf];
        } else if (steering) {
            out += L"\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(u >> shift) & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring driveName(wchar_t letter)
{
    return std::wstring{letter, L':'};
}

} // namespace

std::optional<DeviceIds> parseDeviceDescriptor(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kBusTypeOffset + 4)
        return std::nullopt;
    DeviceIds ids;
    ids.busType = readU32(bytes, kBusTypeOffset);
    ids.vendor = deviceString(bytes, readU32(bytes, kVendorIdOffset));
    ids.product = deviceString(bytes, readU32(bytes, kProductIdOffset));
    return ids;
}

std::wstring driveItemText(wchar_t letter, const std::wstring &vendor,
                           const std::wstring &product, uint64_t totalBytes)
{
    std::wstring ids;
    if (vendor.empty() && product.empty())
        ids = L"NULL";
    else if (vendor.empty())
        ids = product;
    else if (product.empty())
        ids = vendor;
    else
        ids = vendor + L" " + product;

    char size[32];
    std::snprintf(size, sizeof size, "%0.2f", double(totalBytes) / double(1ull << 30));
    return driveName(letter) + L" (" + escapeControls(ids) + L") " + L" (" + widen(size) + L" GB)";
}

uint32_t freeSpaceMiB(uint64_t freeBytes)
{
    return uint32_t(freeBytes >> 20);
}

DriveScanResult ScanDrives(Platform &platform, uint32_t previousMask)
{
    const uint32_t present = platform.logicalDrives();
    DriveScanResult result{present, {}};
    const uint32_t changed = present ^ previousMask;

    for (int bit = 2; bit <= 25; ++bit) {
        const uint32_t flag = 1u << bit;
        if (!(changed & flag))
            continue;
        const wchar_t letter = wchar_t(L'A' + bit);
        const std::wstring drive = driveName(letter);

        if (present & flag) {
            const VolumeProbe probe = platform.probeVolume(letter);
            std::optional<DeviceIds> ids;
            if (probe.status == VolumeProbe::Status::OpenFailed) {
                platform.debugLog(fillText(L"Failed to open drive: %s with error code: %d\n", drive, probe.error));
            } else if (probe.status == VolumeProbe::Status::QueryFailed ||
                       !(ids = parseDeviceDescriptor(probe.descriptor))) {
                platform.debugLog(fillText(L"IOCTL_STORAGE_QUERY_PROPERTY failed: %s with error code: %d\n",
                                           drive, probe.error));
            }
            std::optional<DiskSpace> space;
            if (ids && ids->busType == kBusTypeUsb) {
                unsigned long error = 0;
                space = platform.diskSpace(drive + L"\\", &error);
                if (!space)
                    platform.debugLog(fillText(L"GetDiskFreeSpaceEx failed: %s with error code: %d\n", drive, error));
            }
            if (space) {
                result.changes.push_back({letter, true,
                                          driveItemText(letter, platform.fromAnsi(ids->vendor),
                                                        platform.fromAnsi(ids->product), space->total),
                                          freeSpaceMiB(space->freeToCaller)});
            } else {
                result.mask &= ~flag;
            }
        }
        if (previousMask & flag)
            result.changes.push_back({letter, false, {}, 0});
    }
    return result;
}

} // namespace stickforge
