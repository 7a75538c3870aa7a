// The rule database loader on any bytes: the load either succeeds or throws
// an exception derived from std::exception, never overflows a field or runs
// out of stack. What loads is then used as the repair worker uses it: judged
// against a clean fixture installation (scans only read), and scanned and
// repaired on an engine without an installation (no key can be opened,
// nothing is written).

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "hivemend/CRegFix.h"
#include "hivemend/diagnostics.h"
#include "winfixture.h"

namespace {

int g_file = -1;
std::string g_scratch;
std::string g_windows;

void remove_scratch() {
    std::error_code ec;
    std::filesystem::remove_all(g_scratch, ec);
}

// Loads the rules into `fix`; false when the loader refused them.
bool load(CRegFix& fix, const std::string& path) {
    try {
        fix.LoadRuleDB(path.c_str());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The engine reports every rule it cannot open.
    hive_diagnostics([](int, const char*, void*) {}, nullptr);
    g_file = memfd_create("registry.json", 0);
    std::string scratch = std::filesystem::temp_directory_path().string() + "/rules-fuzz.XXXXXX";
    if (g_file < 0 || !mkdtemp(scratch.data())) return 1;
    g_scratch = scratch;
    atexit(remove_scratch);
    g_windows = winfixture::build(g_scratch + "/C").root;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(g_file, 0) != 0 || pwrite(g_file, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(g_file);
    char name[324];
    {
        CRegFix fix;
        if (!load(fix, path)) return 0;
        for (unsigned i = 0; i < fix.getCount(); ++i) {
            fix.getItemInfo(i, name, sizeof name);
            fix.getItemState(i);
            fix.Repair(i);
        }
    }
    CRegFix fix;
    fix.SetHiveFileDriver(g_windows.c_str());
    if (!load(fix, path)) abort();  // the same bytes loaded a moment ago
    for (unsigned i = 0; i < fix.getCount(); ++i) {
        fix.getItemState(i);
        fix.GetItemError(i);
    }
    fix.WriteProblem();
    return 0;
}
