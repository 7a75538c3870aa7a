#include "engine/replace_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace hivemend {

namespace {

bool write_all(int fd, const unsigned char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w == 0) errno = ENOSPC;
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

// Whether `entry` is a temporary file as replace_file names them for `base`:
// "." + base + "." + six characters of mkstemp's alphabet.
bool our_temporary(const char* entry, const std::string& base) {
    const size_t n = strlen(entry);
    if (n != base.size() + 8 || entry[0] != '.' || base.compare(0, std::string::npos, entry + 1, base.size()) != 0 ||
        entry[base.size() + 1] != '.')
        return false;
    for (size_t i = base.size() + 2; i < n; ++i)
        if (!isalnum(static_cast<unsigned char>(entry[i]))) return false;
    return true;
}

// Removes what an interrupted earlier replacement of `base` left in `dir`.
void remove_leftovers(const std::string& dir, const std::string& base) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = readdir(d)) {
        if (!our_temporary(e->d_name, base)) continue;
        const std::string path = dir + "/" + e->d_name;
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(path.c_str());
    }
    closedir(d);
}

// Writes the bytes to a new temporary file beside `target` and gives it the
// target's name: by rename, or by link when the name must be new.
Replaced put_file(const std::string& target, const void* data, size_t len, const struct stat* model, bool new_name) {
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string tmp = dir + "/." + base + ".XXXXXX";

    const int fd = mkstemp(tmp.data());
    if (fd < 0) return Replaced::NotCreated;
    if (model) {
        // Best effort: file systems such as NTFS mounts may refuse ownership.
        if (fchown(fd, model->st_uid, model->st_gid) != 0) errno = 0;
        fchmod(fd, model->st_mode & 07777);
    }
    bool ok = write_all(fd, static_cast<const unsigned char*>(data), len) && fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    bool taken = false;
    if (ok && (new_name ? link(tmp.c_str(), target.c_str()) : rename(tmp.c_str(), target.c_str())) != 0) {
        ok = false;
        err = errno;
        taken = err == EEXIST;
    }
    if (!ok || new_name) unlink(tmp.c_str());
    if (!ok) {
        errno = err;
        return taken ? Replaced::NotCreated : Replaced::NotWritten;
    }
    remove_leftovers(dir, base);
    sync_directory(dir);
    return Replaced::Yes;
}

}  // namespace

std::string file_target(const std::string& name) {
    char* real = realpath(name.c_str(), nullptr);
    if (!real) return name;
    std::string r = real;
    free(real);
    return r;
}

Replaced replace_file(const std::string& name, const void* data, size_t len, const struct stat* model) {
    return put_file(file_target(name), data, len, model, false);
}

Replaced create_file(const std::string& target, const void* data, size_t len, const struct stat* model) {
    return put_file(target, data, len, model, true);
}

}  // namespace hivemend
