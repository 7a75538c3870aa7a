// The rule database loader on any bytes: the load either succeeds or throws
// an exception derived from std::exception, never overflows a field or runs
// out of stack; what loads is then used as the repair worker uses it, on an
// engine without an installation (no key can be opened, nothing is written).

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "hivemend/CRegFix.h"

namespace {

int g_file = -1;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The engine reports every rule it cannot open on standard output.
    if (!freopen("/dev/null", "w", stdout)) return 1;
    g_file = memfd_create("registry.json", 0);
    return g_file < 0 ? 1 : 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(g_file, 0) != 0 || pwrite(g_file, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(g_file);
    CRegFix fix;
    try {
        fix.LoadRuleDB(path.c_str());
    } catch (const std::exception&) {
        return 0;
    }
    char name[324];
    for (unsigned i = 0; i < fix.getCount(); ++i) {
        fix.getItemInfo(i, name, sizeof name);
        fix.getItemState(i);
        fix.Repair(i);
    }
    return 0;
}
