#include "dialogwindow.h"

#include <commdlg.h>
#include <objbase.h>

#include <vector>

#include "stickforge/burn.h"
#include "stickforge/drives.h"
#include "stickforge/maindlg.h"
#include "stickforge/resource.h"

namespace stickforge {
namespace {

// Posted by the drive watcher; lParam owns a std::vector<DriveChange>.
constexpr UINT kWmDrivesChanged = WM_APP + 1;

struct WatcherJob {
    Platform *platform;
    HWND window;
    HANDLE stop;
};

// Scans every second until asked to stop. Changes are posted, never sent, so
// that the dialog's thread can wait for this thread without a deadlock.
DWORD WINAPI driveWatcherThread(void *parameter)
{
    const std::unique_ptr<WatcherJob> job(static_cast<WatcherJob *>(parameter));
    uint32_t mask = 0;
    do {
        DriveScanResult scan = ScanDrives(*job->platform, mask);
        mask = scan.mask;
        if (!scan.changes.empty()) {
            auto changes = std::make_unique<std::vector<DriveChange>>(std::move(scan.changes));
            if (PostMessageW(job->window, kWmDrivesChanged, 0, reinterpret_cast<LPARAM>(changes.get())))
                changes.release();
        }
    } while (WaitForSingleObject(job->stop, 1000) == WAIT_TIMEOUT);
    return 0;
}

struct ExtractionJob {
    Platform *platform;
    HWND window;
    BurnRequest request;
};

DWORD WINAPI extractImageThread(void *parameter)
{
    const std::unique_ptr<ExtractionJob> job(static_cast<ExtractionJob *>(parameter));
    // ShellExecuteEx wants COM on the calling thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    auto result = std::make_unique<BurnResult>(ExtractImage(*job->platform, job->request));
    if (PostMessageW(job->window, kWmBurnFinished, 0, reinterpret_cast<LPARAM>(result.get())))
        result.release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void centreOnWorkArea(HWND window)
{
    RECT frame;
    GetWindowRect(window, &frame);
    RECT area;
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        area = monitor.rcWork;
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

DialogWindow::DialogWindow(HINSTANCE instance, Platform &platform)
    : m_instance(instance), m_platform(platform)
{
}

DialogWindow::~DialogWindow()
{
    stopDriveWatcher();
    joinExtraction();
}

INT_PTR DialogWindow::run(HINSTANCE instance, Platform &platform)
{
    DialogWindow dialog(instance, platform);
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAINDLG), nullptr, dialogProc,
                           reinterpret_cast<LPARAM>(&dialog));
}

INT_PTR CALLBACK DialogWindow::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto *dialog = reinterpret_cast<DialogWindow *>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->onInitDialog(window);
        return TRUE;
    }
    auto *dialog = reinterpret_cast<DialogWindow *>(GetWindowLongPtrW(window, DWLP_USER));
    return dialog ? dialog->handle(message, wParam, lParam) : FALSE;
}

void DialogWindow::onInitDialog(HWND window)
{
    m_window = window;
    centreOnWorkArea(window);
    const auto icon = [this](int metricX, int metricY) {
        return reinterpret_cast<LPARAM>(LoadImageW(m_instance, MAKEINTRESOURCEW(IDI_STICKFORGE), IMAGE_ICON,
                                                   GetSystemMetrics(metricX), GetSystemMetrics(metricY), 0));
    };
    SendMessageW(window, WM_SETICON, ICON_BIG, icon(SM_CXICON, SM_CYICON));
    SendMessageW(window, WM_SETICON, ICON_SMALL, icon(SM_CXSMICON, SM_CYSMICON));
    m_logic = std::make_unique<CMainDlg>(m_platform, *this);
    m_logic->OnInitDialog();
}

INT_PTR DialogWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        m_logic->OnTimer(unsigned(wParam));
        return TRUE;
    case kWmDrivesChanged: {
        const std::unique_ptr<std::vector<DriveChange>> changes(reinterpret_cast<std::vector<DriveChange> *>(lParam));
        m_logic->OnDrivesChanged(*changes);
        return TRUE;
    }
    case kWmBurnFinished: {
        const std::unique_ptr<BurnResult> result(reinterpret_cast<BurnResult *>(lParam));
        joinExtraction();
        m_logic->OnBurnFinished(*result);
        return TRUE;
    }
    case WM_COMMAND: {
        const WORD id = LOWORD(wParam);
        const WORD code = HIWORD(wParam);
        if (id == IDC_START && code == 0)
            m_logic->OnStartBurning();
        else if (id == IDC_BROWSE && code == 0)
            m_logic->OnBrowse();
        else if (id == IDCANCEL)
            m_logic->OnCancel();
        else
            return FALSE;
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void DialogWindow::setEnabled(int control, bool enabled)
{
    EnableWindow(GetDlgItem(m_window, control), enabled);
}

void DialogWindow::setText(int control, const std::wstring &text)
{
    SetDlgItemTextW(m_window, control, text.c_str());
}

void DialogWindow::insertItem(int index, const std::wstring &text, uint32_t data)
{
    HWND list = GetDlgItem(m_window, IDC_DRIVE_LIST);
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    const LRESULT at = SendMessageW(list, CB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(text.c_str()));
    if (at < 0)
        return;
    SendMessageW(list, CB_SETITEMDATA, WPARAM(at), LPARAM(data));
    if (selected != CB_ERR && selected >= at)
        SendMessageW(list, CB_SETCURSEL, WPARAM(selected + 1), 0);
}

void DialogWindow::deleteItem(int index)
{
    HWND list = GetDlgItem(m_window, IDC_DRIVE_LIST);
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    SendMessageW(list, CB_DELETESTRING, WPARAM(index), 0);
    if (selected == index)
        SendMessageW(list, CB_SETCURSEL, WPARAM(-1), 0);
    else if (selected != CB_ERR && selected > index)
        SendMessageW(list, CB_SETCURSEL, WPARAM(selected - 1), 0);
}

void DialogWindow::selectItem(int index)
{
    SendDlgItemMessageW(m_window, IDC_DRIVE_LIST, CB_SETCURSEL, WPARAM(index), 0);
}

int DialogWindow::selectedItem()
{
    const LRESULT selected = SendDlgItemMessageW(m_window, IDC_DRIVE_LIST, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : int(selected);
}

void DialogWindow::setTimer(unsigned id, unsigned milliseconds)
{
    SetTimer(m_window, id, milliseconds, nullptr);
}

void DialogWindow::killTimer(unsigned id)
{
    KillTimer(m_window, id);
}

void DialogWindow::showMessage(const std::wstring &text, const std::wstring &title, MessageKind kind)
{
    UINT icon = MB_ICONINFORMATION;
    if (kind == MessageKind::Warning)
        icon = MB_ICONWARNING;
    else if (kind == MessageKind::Error)
        icon = MB_ICONERROR;
    MessageBoxW(m_window, text.c_str(), title.c_str(), MB_OK | icon);
}

std::optional<std::wstring> DialogWindow::browseForImage()
{
    wchar_t file[260] = L"";
    wchar_t title[256] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = L"Rescue.iso\0Rescue.iso\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = 260;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = 256;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog))
        return std::nullopt;
    return std::wstring(file);
}

void DialogWindow::startDriveWatcher()
{
    if (m_watcher)
        return;
    m_stopWatcher = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto job = std::make_unique<WatcherJob>(WatcherJob{&m_platform, m_window, m_stopWatcher});
    m_watcher = CreateThread(nullptr, 0, driveWatcherThread, job.get(), 0, nullptr);
    if (m_watcher)
        job.release();
}

void DialogWindow::stopDriveWatcher()
{
    if (m_watcher) {
        SetEvent(m_stopWatcher);
        WaitForSingleObject(m_watcher, INFINITE);
        CloseHandle(m_watcher);
        m_watcher = nullptr;
    }
    if (m_stopWatcher) {
        CloseHandle(m_stopWatcher);
        m_stopWatcher = nullptr;
    }
}

void DialogWindow::startExtraction(const BurnRequest &request)
{
    auto job = std::make_unique<ExtractionJob>(ExtractionJob{&m_platform, m_window, request});
    m_extraction = CreateThread(nullptr, 0, extractImageThread, job.get(), 0, nullptr);
    if (m_extraction) {
        job.release();
        return;
    }
    m_logic->OnBurnFinished({BurnResult::Kind::ExtractNotStarted, L"7z.exe", GetLastError()});
}

void DialogWindow::joinExtraction()
{
    if (!m_extraction)
        return;
    WaitForSingleObject(m_extraction, INFINITE);
    CloseHandle(m_extraction);
    m_extraction = nullptr;
}

void DialogWindow::endDialog()
{
    EndDialog(m_window, IDCANCEL);
}

} // namespace stickforge
