#include <gtest/gtest.h>

#include <algorithm>

#include "dialogharness.h"
#include "stickforge/drives.h"

namespace stickforge::testing {
namespace {

std::vector<uint8_t> descriptor(uint32_t bus, uint32_t vendorAt, uint32_t productAt, std::string tail)
{
    std::vector<uint8_t> bytes(36 + tail.size(), 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put(12, vendorAt);
    put(16, productAt);
    put(28, bus);
    std::copy(tail.begin(), tail.end(), bytes.begin() + 36);
    return bytes;
}

// Descriptors come from drivers and devices: every offset is checked against
// the bytes returned, and a string without its zero ends with the bytes.
TEST(DeviceDescriptor, ReadsBusAndIdsWithinTheBytesReturned)
{
    struct Case {
        const char *what;
        std::vector<uint8_t> bytes;
        uint32_t bus;
        std::string vendor, product;
    };
    const std::string ids("SanDisk \0Cruzer Blade     \0", 27);
    const Case cases[] = {
        {"both ids, blanks trimmed", descriptor(7, 36, 45, ids), 7, "SanDisk", "Cruzer Blade"},
        {"no vendor", descriptor(7, 0, 45, ids), 7, "", "Cruzer Blade"},
        {"no ids at all", descriptor(7, 0, 0, ""), 7, "", ""},
        {"offsets past the end", descriptor(7, 4000, 0xffffffffu, ids), 7, "", ""},
        {"string without its zero", descriptor(7, 36, 0, "Generic"), 7, "Generic", ""},
        {"another bus", descriptor(11, 36, 45, ids), 11, "SanDisk", "Cruzer Blade"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto parsed = parseDeviceDescriptor(c.bytes);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->busType, c.bus);
        EXPECT_EQ(parsed->vendor, c.vendor);
        EXPECT_EQ(parsed->product, c.product);
    }
    EXPECT_FALSE(parseDeviceDescriptor(std::vector<uint8_t>(31, 0))) << "too short for the bus type";
}

TEST(DriveItem, TextAndFreeSpace)
{
    EXPECT_EQ(driveItemText(L'E', L"Kingston", L"DataTraveler 3.0", 8 * kGiB),
              L"E: (Kingston DataTraveler 3.0)  (8.00 GB)");
    EXPECT_EQ(driveItemText(L'F', L"", L"", 1000000000), L"F: (NULL)  (0.93 GB)");
    EXPECT_EQ(driveItemText(L'G', L"", L"Flash Disk", 15'728'640'000ull), L"G: (Flash Disk)  (14.65 GB)");
    EXPECT_EQ(driveItemText(L'H', L"Generic", L"", 0), L"H: (Generic)  (0.00 GB)");
    EXPECT_EQ(driveItemText(L'I', L"Evil\x1b[2J", L"Stick\r\n", kGiB),
              L"I: (Evil\\x1b[2J Stick\\x0d\\x0a)  (1.00 GB)");
    EXPECT_EQ(driveItemText(L'J', L"abc\x202e" L"gpj", L"\x85", kGiB), L"J: (abc\\u202egpj \\x85)  (1.00 GB)");

    EXPECT_EQ(freeSpaceMiB(150 * kMiB - 1), 149u);
    EXPECT_EQ(freeSpaceMiB(150 * kMiB), 150u);
    EXPECT_EQ(freeSpaceMiB(5 * (1ull << 40)), 5u << 20);
}

TEST(DriveScan, ListsOnlyUsbDrivesFromCToZ)
{
    FakePlatform platform;
    FakeDrive reader = stick(2 * kGiB);
    reader.busType = 0x0c; // an SD card reader
    platform.drives[L'A'] = stick(kGiB); // floppy letters are never looked at
    platform.drives[L'E'] = stick(kGiB);
    platform.drives[L'F'] = reader;
    platform.drives[L'Z'] = stick(kGiB);

    DriveScanResult first = ScanDrives(platform, 0);
    ASSERT_EQ(first.changes.size(), 2u);
    EXPECT_EQ(first.changes[0].letter, L'E');
    EXPECT_EQ(first.changes[1].letter, L'Z');
    EXPECT_EQ(first.changes[0].freeMiB, 1024u);
    EXPECT_EQ(first.mask, (1u << 0) | (1u << 4) | (1u << 25)) << "C: and F: are left out";
    EXPECT_EQ(platform.probes.count(L'A'), 0u);

    // What was left out is examined again on every scan; what was accepted is not.
    const DriveScanResult second = ScanDrives(platform, first.mask);
    EXPECT_TRUE(second.changes.empty());
    EXPECT_EQ(platform.probes[L'F'], 2);
    EXPECT_EQ(platform.probes[L'C'], 2);
    EXPECT_EQ(platform.probes[L'E'], 1);
}

TEST(DriveScan, RetriesADriveUntilItOpensAndTellsItsSize)
{
    FakePlatform platform;
    FakeDrive slow = stick(kGiB);
    slow.opens = false;
    platform.drives[L'E'] = slow;

    uint32_t mask = ScanDrives(platform, 0).mask;
    ASSERT_FALSE(platform.log.empty());
    EXPECT_EQ(platform.log.back(), L"Failed to open drive: E: with error code: 2\n");

    platform.drives[L'E'].opens = true;
    platform.drives[L'E'].answersQuery = false;
    mask = ScanDrives(platform, mask).mask;
    EXPECT_EQ(platform.log.back(), L"IOCTL_STORAGE_QUERY_PROPERTY failed: E: with error code: 1\n");

    platform.drives[L'E'].answersQuery = true;
    platform.drives[L'E'].tellsSpace = false; // a card reader's slot without a card
    DriveScanResult scan = ScanDrives(platform, mask);
    EXPECT_TRUE(scan.changes.empty());
    mask = scan.mask;

    platform.drives[L'E'].tellsSpace = true;
    scan = ScanDrives(platform, mask);
    ASSERT_EQ(scan.changes.size(), 1u);
    EXPECT_TRUE(scan.changes[0].arrived);
    EXPECT_EQ(scan.changes[0].text, L"E: (Kingston DataTraveler 3.0)  (8.00 GB)");
}

} // namespace
} // namespace stickforge::testing
