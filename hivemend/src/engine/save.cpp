// Saving a hive. The image goes to a new file beside the hive, reaches the
// disk, and only then replaces the hive by rename: a crash or a full disk
// during the save leaves the old file whole.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hivemend/hive.h"
#include "image.h"

using namespace hivemend;

namespace {

// The file the hive name leads to, so that a symbolic link stays one.
std::string resolve_target(const char* filename) {
    char* real = realpath(filename, nullptr);
    if (!real) return filename;
    std::string r = real;
    free(real);
    return r;
}

bool write_all(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

void sync_directory(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

const unsigned char* hive_image(Hive* hdesc, long* len) {
    if (hdesc->size >= REGF_CHECKSUM + 4) wr32(hdesc->buffer + REGF_CHECKSUM, calc_regfsum(hdesc));
    if (len) *len = hdesc->size;
    return hdesc->buffer;
}

int writeHive(Hive* hdesc) {
    if ((hdesc->state & HIVE_READONLY) || !(hdesc->state & HIVE_DIRTY)) return 0;
    long len = 0;
    const unsigned char* image = hive_image(hdesc, &len);

    const std::string target = resolve_target(hdesc->filename);
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string tmp = dir + "/." + base + ".XXXXXX";

    const int fd = mkstemp(tmp.data());
    if (fd < 0) {
        fprintf(stderr, "writeHive: open(%s), FILE NOT WRITTEN!\n", hdesc->filename);
        return 1;
    }
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        // Best effort: file systems such as NTFS mounts may refuse ownership.
        if (fchown(fd, st.st_uid, st.st_gid) != 0) errno = 0;
        fchmod(fd, st.st_mode & 07777);
    }
    const bool ok = write_all(fd, image, static_cast<size_t>(len)) && fsync(fd) == 0;
    const int err = errno;
    if (close(fd) != 0 || !ok || rename(tmp.c_str(), target.c_str()) != 0) {
        fprintf(stderr, "writeHive: saving %s failed (%s), FILE NOT WRITTEN!\n", hdesc->filename,
                strerror(ok ? errno : err));
        unlink(tmp.c_str());
        return 1;
    }
    sync_directory(dir);
    hdesc->state &= ~HIVE_DIRTY;
    return 0;
}
