#include "hivemend/hivebackup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/diag.h"
#include "engine/replace_file.h"
#include "hivemend/recovery.h"
#include "hivemend/regfile.h"

using namespace hivemend;

namespace {

const char kBackup[] = ".bhv";

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Copies a log, which unlike a hive may be empty, to `dst`; without
// `overwrite` never over a file that exists.
bool copy_log(const std::string& src, const std::string& dst, bool overwrite) {
    // Never blocking: a FIFO in a log's place is refused, not waited on.
    const int fd = open(src.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        diag_printf("[BakHiveFile] open log failed %s\n", src.c_str());
        if (fd >= 0) close(fd);
        return false;
    }
    std::vector<char> bytes(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got != bytes.size()) {
        diag_printf("[BakHiveFile] read log failed %s\n", src.c_str());
        return false;
    }
    const hivemend::Replaced r = overwrite ? hivemend::replace_file(dst, bytes.data(), bytes.size(), &st)
                                           : hivemend::create_file(dst, bytes.data(), bytes.size(), &st);
    if (r != hivemend::Replaced::Yes) {
        diag_printf("[BakHiveFile] write file failed %s (%s)\n", dst.c_str(), strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

bool BackupHiveWithLogs(const char* hive) {
    if (!hive) return false;
    const std::string backup = std::string(hive) + kBackup;
    if (exists(backup) || !exists(hive)) return CopyHiveFile(hive, backup.c_str(), false);
    bool ok = true;
    for (const std::string& log : hive_log_files(hive))
        if (!copy_log(log, log + kBackup, false)) ok = false;
    return CopyHiveFile(hive, backup.c_str(), false) && ok;
}

bool RestoreHiveWithLogs(const char* hive) {
    if (!hive) return false;
    const std::string backup = std::string(hive) + kBackup;
    if (!exists(hive) && !exists(backup)) return true;
    bool ok = true;
    for (const std::string& saved : hive_log_files(hive, kBackup)) {
        if (!copy_log(saved, saved.substr(0, saved.size() - (sizeof kBackup - 1)), true)) ok = false;
    }
    return CopyHiveFile(backup.c_str(), hive, true) && ok;
}
