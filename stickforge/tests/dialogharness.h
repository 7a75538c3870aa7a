#pragma once

#include "fakewindows.h"
#include "stickforge/maindlg.h"

namespace stickforge::testing {

constexpr uint64_t kMiB = 1ull << 20;
constexpr uint64_t kGiB = 1ull << 30;

// The dialog on a fake machine, with the drive watcher's scans run by hand.
struct Dialog {
    FakePlatform platform;
    FakeView view;
    CMainDlg dlg{platform, view};
    uint32_t mask = 0;

    void scan()
    {
        const DriveScanResult result = ScanDrives(platform, mask);
        mask = result.mask;
        dlg.OnDrivesChanged(result.changes);
    }
    void plug(wchar_t letter, FakeDrive drive)
    {
        platform.drives[letter] = std::move(drive);
        scan();
    }
    void unplug(wchar_t letter)
    {
        platform.drives.erase(letter);
        scan();
    }
    // Started next to a Rescue.iso, so the path is set.
    void startWithImage()
    {
        platform.files[L"C:\\Work\\Rescue.iso"] = {1};
        dlg.OnInitDialog();
    }
};

inline FakeDrive stick(uint64_t freeBytes, uint64_t totalBytes = 8 * kGiB)
{
    FakeDrive drive;
    drive.vendor = "Kingston";
    drive.product = "DataTraveler 3.0";
    drive.freeBytes = freeBytes;
    drive.totalBytes = totalBytes;
    return drive;
}

} // namespace stickforge::testing
