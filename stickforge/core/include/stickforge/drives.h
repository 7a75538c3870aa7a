#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace stickforge {

class Platform;

inline constexpr uint32_t kBusTypeUsb = 7;

// Bus type and identification of a device, as its storage device
// descriptor gives them.
struct DeviceIds {
    uint32_t busType = 0;
    std::string vendor;  // 8-bit, trailing blanks removed
    std::string product;
};

// Reads a STORAGE_DEVICE_DESCRIPTOR as the driver returned it. Offsets that
// point outside the bytes returned count as absent strings; a string runs
// to its terminating zero or to the end of the bytes. Empty when the bytes
// are too few to hold the bus type.
std::optional<DeviceIds> parseDeviceDescriptor(std::span<const uint8_t> bytes);

// "E: (Vendor Product)  (7.45 GB)": the ids, "NULL" when both are empty,
// and the total size in GB (2^30 bytes) with two decimals. Control
// characters in the ids are shown escaped.
std::wstring driveItemText(wchar_t letter, const std::wstring &vendor,
                           const std::wstring &product, uint64_t totalBytes);

// Item data of a drive: its free space in whole MiB.
uint32_t freeSpaceMiB(uint64_t freeBytes);

// A drive that appeared on the USB bus, or one listed before that is gone.
struct DriveChange {
    wchar_t letter = 0;
    bool arrived = false;
    std::wstring text;    // arrivals: the list item's text
    uint32_t freeMiB = 0; // arrivals: the item data
};

struct DriveScanResult {
    uint32_t mask = 0; // the drives accepted, for the next scan
    std::vector<DriveChange> changes; // in letter order
};

// One scan of the drive watcher: the letters C: to Z: whose presence changed
// since the previous mask are examined; a present drive is accepted when it
// opens, answers its device query, sits on the USB bus and tells its size.
// Drives not accepted stay out of the mask and so are examined again on the
// next scan.
DriveScanResult ScanDrives(Platform &platform, uint32_t previousMask);

} // namespace stickforge
