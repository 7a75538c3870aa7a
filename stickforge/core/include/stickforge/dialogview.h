#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace stickforge {

struct BurnRequest;

enum class MessageKind { Warning, Error, Information };

// The dialog window as the logic sees it: its controls (by the ids of
// resource.h), timers, message boxes, the browse dialog and the window's
// worker threads. The Win32 dialog implements it; tests use a fake.
class DialogView {
public:
    virtual ~DialogView() = default;

    virtual void setEnabled(int control, bool enabled) = 0;
    virtual void setText(int control, const std::wstring &text) = 0;

    // The drive list: items are inserted at the place the logic keeps them
    // in; the selection is the user's.
    virtual void insertItem(int index, const std::wstring &text, uint32_t data) = 0;
    virtual void deleteItem(int index) = 0;
    virtual void selectItem(int index) = 0;
    virtual int selectedItem() = 0; // -1: none

    virtual void setTimer(unsigned id, unsigned milliseconds) = 0;
    virtual void killTimer(unsigned id) = 0;

    // Modal, owned by the dialog, an OK button only.
    virtual void showMessage(const std::wstring &text, const std::wstring &title, MessageKind kind) = 0;
    // The open-file dialog for the image; the full path picked, if any.
    virtual std::optional<std::wstring> browseForImage() = 0;

    // The drive watcher: scans every second and hands the changes to
    // CMainDlg::OnDrivesChanged on the dialog's thread, as long as the
    // program runs.
    virtual void startDriveWatcher() = 0;
    // The extraction thread: runs ExtractImage and hands its result to
    // CMainDlg::OnBurnFinished on the dialog's thread.
    virtual void startExtraction(const BurnRequest &request) = 0;

    virtual void endDialog() = 0;
};

} // namespace stickforge
