// stickforge-probe.exe: reads what the Stickforge dialog and its boxes show,
// from another process in the same Wine session, for the Wine tests.
//
//   stickforge-probe dialog          controls of the main dialog, one per line
//   stickforge-probe rect ID         screen rectangle of a control: x y width height
//   stickforge-probe window TITLE    waits for a top-level window of that title;
//                                    its rectangle, then its children's texts
//   stickforge-probe gone TITLE      waits until no such window is left
//   stickforge-probe temp            the temporary folder
//   stickforge-probe list            every visible top-level window: class, title
//
// Texts are printed in UTF-8 with line breaks as \n. Exit status 1 when the
// window was not there within 30 seconds.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void print(const std::wstring &text)
{
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\n')
            escaped += L"\\n";
        else if (c != L'\r')
            escaped += c;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, escaped.c_str(), int(escaped.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, escaped.c_str(), int(escaped.size()), utf8.data(), size, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

std::wstring textOf(HWND window)
{
    // GetWindowText gives only captions of another process's windows.
    wchar_t buffer[2048] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, nullptr);
    return buffer;
}

HWND waitForWindow(const wchar_t *title, bool dialogClass)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        // A dialog exists before WM_INITDIALOG has filled it; DialogBox
        // shows it only afterwards.
        HWND found = FindWindowW(dialogClass ? L"#32770" : nullptr, title);
        if (found && IsWindowVisible(found))
            return found;
        Sleep(100);
    }
    return nullptr;
}

void printRect(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void printCombo(HWND combo, const char *key)
{
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t item[1024] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) < 1024)
            SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item));
        std::printf("%s=", key);
        print(item);
        std::printf("\t%lu\n", static_cast<unsigned long>(SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0)));
    }
    std::printf("%s-selected=%ld\n", key, static_cast<long>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
}

int dialog()
{
    HWND main = waitForWindow(L" ", true);
    if (!main)
        return 1;
    const struct {
        int id;
        const char *name;
    } controls[] = {{1008, "step1"}, {1009, "step2"}, {1010, "step3"}, {1004, "path"},
                    {1003, "browse"}, {1001, "list"}, {1011, "start"}};
    for (const auto &control : controls) {
        HWND item = GetDlgItem(main, control.id);
        std::printf("%s.enabled=%d\n%s.text=", control.name, IsWindowEnabled(item) ? 1 : 0, control.name);
        print(textOf(item));
        std::printf("\n");
    }
    printCombo(GetDlgItem(main, 1001), "item");
    std::printf("rect=");
    printRect(main);
    return 0;
}

BOOL CALLBACK printChild(HWND child, LPARAM)
{
    wchar_t className[64] = L"";
    GetClassNameW(child, className, 64);
    if (lstrcmpiW(className, L"ComboBox") == 0) {
        printCombo(child, "combo");
        return TRUE;
    }
    std::printf("child=");
    print(className);
    std::printf("\t");
    print(textOf(child));
    std::printf("\n");
    return TRUE;
}

int window(const wchar_t *title)
{
    HWND found = waitForWindow(title, false);
    if (!found)
        return 1;
    std::printf("rect=");
    printRect(found);
    EnumChildWindows(found, printChild, 0);
    return 0;
}

int gone(const wchar_t *title)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (!FindWindowW(nullptr, title))
            return 0;
        Sleep(100);
    }
    return 1;
}

BOOL CALLBACK printTopLevel(HWND window, LPARAM)
{
    if (!IsWindowVisible(window))
        return TRUE;
    wchar_t className[128] = L"";
    GetClassNameW(window, className, 128);
    std::printf("window=");
    print(className);
    std::printf("\t");
    print(textOf(window));
    std::printf("\n");
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    int status = 2;
    if (command == L"dialog" && argc == 2) {
        status = dialog();
    } else if (command == L"rect" && argc == 3) {
        HWND main = waitForWindow(L" ", true);
        status = main ? (printRect(GetDlgItem(main, _wtoi(argv[2]))), 0) : 1;
    } else if (command == L"window" && argc == 3) {
        status = window(argv[2]);
    } else if (command == L"gone" && argc == 3) {
        status = gone(argv[2]);
    } else if (command == L"list" && argc == 2) {
        EnumWindows(printTopLevel, 0);
        status = 0;
    } else if (command == L"temp" && argc == 2) {
        wchar_t temp[MAX_PATH + 1] = L"";
        GetTempPathW(MAX_PATH + 1, temp);
        print(temp);
        std::printf("\n");
        status = 0;
    } else {
        std::fprintf(stderr, "usage: stickforge-probe dialog | rect ID | window TITLE | gone TITLE | temp | list\n");
    }
    std::fflush(stdout);
    return status;
}
