#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stickforge/burn.h"
#include "stickforge/drives.h"

namespace stickforge {

class DialogView;
class Platform;

// The id of the progress timer and the message the extraction thread posts.
inline constexpr unsigned kProgressTimer = 1000;
inline constexpr unsigned kWmBurnFinished = 0x1401;

// A stick needs at least this much free space, in MiB.
inline constexpr uint32_t kMinimumFreeMiB = 150;

// The main dialog's logic: what each message does to the controls, the
// drive list and the writing of a stick. The Win32 dialog procedure routes
// the messages of its message map here.
class CMainDlg {
public:
    CMainDlg(Platform &platform, DialogView &view);

    void OnInitDialog();
    void OnDrivesChanged(const std::vector<DriveChange> &changes);
    void OnTimer(unsigned id);
    void OnBrowse();
    void OnStartBurning();
    void OnBurnFinished(const BurnResult &result);
    void OnCancel();

    bool burning() const { return m_burning; }

private:
    // The drive list as the logic keeps it; the combo box shows the same.
    struct Item {
        std::wstring text;
        uint32_t data = 0; // free space in MiB; 0 for the placeholder
    };

    bool hasDrive() const;
    void enterBurning();
    void reportFailure(const BurnResult &result);

    Platform &m_platform;
    DialogView &m_view;
    std::wstring m_path;
    std::wstring m_step2Text;
    std::vector<Item> m_items;
    bool m_burning = false;
    int m_dots = 0;
};

} // namespace stickforge
