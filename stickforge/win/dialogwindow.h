#pragma once

#include <windows.h>

#include <memory>

#include "stickforge/dialogview.h"

namespace stickforge {

class CMainDlg;
class Platform;

// The main dialog (resource 129) on Win32: its dialog procedure routes the
// messages of the message map to CMainDlg, and it implements the view the
// logic drives, with the drive watcher and extraction threads.
class DialogWindow final : public DialogView {
public:
    // Shows the dialog modally; returns when it has ended.
    static INT_PTR run(HINSTANCE instance, Platform &platform);

    ~DialogWindow() override;

    void setEnabled(int control, bool enabled) override;
    void setText(int control, const std::wstring &text) override;
    void insertItem(int index, const std::wstring &text, uint32_t data) override;
    void deleteItem(int index) override;
    void selectItem(int index) override;
    int selectedItem() override;
    void setTimer(unsigned id, unsigned milliseconds) override;
    void killTimer(unsigned id) override;
    void showMessage(const std::wstring &text, const std::wstring &title, MessageKind kind) override;
    std::optional<std::wstring> browseForImage() override;
    void startDriveWatcher() override;
    void startExtraction(const BurnRequest &request) override;
    void endDialog() override;

private:
    DialogWindow(HINSTANCE instance, Platform &platform);
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog(HWND window);
    void joinExtraction();
    void stopDriveWatcher();

    HINSTANCE m_instance;
    Platform &m_platform;
    HWND m_window = nullptr;
    std::unique_ptr<CMainDlg> m_logic;
    HANDLE m_watcher = nullptr;
    HANDLE m_stopWatcher = nullptr;
    HANDLE m_extraction = nullptr;
};

} // namespace stickforge
