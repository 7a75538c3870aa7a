#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "stickforge/burn.h"
#include "stickforge/dialogview.h"
#include "stickforge/platform.h"

namespace stickforge::testing {

// One drive of the fake machine.
struct FakeDrive {
    uint32_t busType = 7; // USB
    std::string vendor;
    std::string product;
    uint64_t freeBytes = 0;
    uint64_t totalBytes = 0;
    bool opens = true;
    bool answersQuery = true;
    bool tellsSpace = true;
};

// A machine whose drives, files, resources and programs the test sets up.
class FakePlatform : public Platform {
public:
    std::map<wchar_t, FakeDrive> drives;
    std::map<wchar_t, int> probes; // how often each letter was examined
    std::map<std::wstring, std::vector<uint8_t>> files;
    std::map<int, std::vector<uint8_t>> resources;
    std::set<std::wstring> uncreatable;  // paths CreateFile refuses
    std::set<std::wstring> unwritable;   // paths WriteFile fails on
    std::map<std::wstring, unsigned long> copyErrors; // by target path
    std::map<std::wstring, ToolRun> toolResults;      // by program path; default: ran, exit 0
    std::vector<std::pair<std::wstring, std::wstring>> runs; // program, parameters
    std::vector<std::wstring> log;
    std::wstring cwd = L"C:\\Work";

    FakePlatform(); // every tool resource present

    static std::wstring temp(const wchar_t *name) { return std::wstring(L"C:\\Temp\\") + name; }

    uint32_t logicalDrives() override;
    VolumeProbe probeVolume(wchar_t letter) override;
    std::optional<DiskSpace> diskSpace(const std::wstring &drive, unsigned long *error) override;
    std::wstring fromAnsi(const std::string &text) override;
    std::optional<std::span<const uint8_t>> toolResource(int id) override;
    std::wstring tempFolder() override { return L"C:\\Temp\\"; }
    FileWrite writeFile(const std::wstring &path, std::span<const uint8_t> bytes) override;
    unsigned long copyFile(const std::wstring &from, const std::wstring &to) override;
    bool deleteFile(const std::wstring &path) override;
    bool fileExists(const std::wstring &path) override { return files.count(path) != 0; }
    std::wstring currentDirectory() override { return cwd; }
    ToolRun runTool(const std::wstring &program, const std::wstring &parameters) override;
    void debugLog(const std::wstring &line) override { log.push_back(line); }
};

struct Message {
    std::wstring text;
    std::wstring title;
    MessageKind kind;
};

// The dialog's controls as a person would see them.
class FakeView : public DialogView {
public:
    std::map<int, bool> enabled;
    std::map<int, std::wstring> texts;
    std::vector<std::pair<std::wstring, uint32_t>> items;
    int selection = -1;
    std::set<unsigned> timers;
    std::vector<Message> messages;
    std::optional<std::wstring> browseAnswer;
    bool watcherStarted = false;
    std::vector<BurnRequest> extractions;
    bool ended = false;

    bool isEnabled(int control) const;
    std::vector<std::wstring> itemTexts() const;
    std::wstring selectedText() const;

    void setEnabled(int control, bool on) override { enabled[control] = on; }
    void setText(int control, const std::wstring &text) override { texts[control] = text; }
    void insertItem(int index, const std::wstring &text, uint32_t data) override;
    void deleteItem(int index) override;
    void selectItem(int index) override { selection = index; }
    int selectedItem() override { return selection; }
    void setTimer(unsigned id, unsigned) override { timers.insert(id); }
    void killTimer(unsigned id) override { timers.erase(id); }
    void showMessage(const std::wstring &text, const std::wstring &title, MessageKind kind) override;
    std::optional<std::wstring> browseForImage() override { return browseAnswer; }
    void startDriveWatcher() override { watcherStarted = true; }
    void startExtraction(const BurnRequest &request) override { extractions.push_back(request); }
    void endDialog() override { ended = true; }
};

} // namespace stickforge::testing
