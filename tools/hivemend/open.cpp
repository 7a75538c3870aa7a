#include "open.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "commands.h"
#include "hivemend/format.h"
#include "quiet.h"

namespace {

HivePtr open_checked(const std::string& path, bool quiet, int mode) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        fail(1, path + ": " + std::strerror(errno));
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(1, path + ": not a regular file");
        return nullptr;
    }
    if (st.st_size == 0) {
        fail(1, path + ": empty file, not a registry hive");
        return nullptr;
    }
    HivePtr h;
    {
        Quiet q(quiet);
        h.reset(openHive(path.c_str(), mode));
    }
    if (!h) {
        fail(1, path + ": cannot be read");
        return nullptr;
    }
    if (h->size < HBIN_START || h->buffer[0] != 'r' || std::memcmp(h->buffer, "regf", 4) != 0) {
        fail(1, path + ": not a registry hive (no 'regf' signature)");
        return nullptr;
    }
    return h;
}

}  // namespace

HivePtr open_for_reading(const std::string& path, bool quiet) { return open_checked(path, quiet, HIVE_READONLY); }

HivePtr open_for_writing(const std::string& path, bool quiet) { return open_checked(path, quiet, 0); }
