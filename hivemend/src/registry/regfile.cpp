#include "hivemend/regfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool write_all(int fd, const char* p, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes `bytes` to a new file in the folder of `dst` and renames it over
// `dst` once it is on disk; the new file takes the mode of `src`.
bool replace_file(const char* dst, const std::vector<char>& bytes, mode_t mode) {
    const std::string dir = folder_of(dst);
    const std::string name = std::string(dst).substr(dir == "." ? 0 : std::string(dst).rfind('/') + 1);
    std::string tmp = (dir == "." ? std::string() : dir + "/") + "." + name + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    if (fd < 0) return false;
    fchmod(fd, mode & 07777);
    const bool ok = write_all(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
    if (close(fd) != 0 || !ok || rename(tmp.c_str(), dst) != 0) {
        puts("[BakHiveFile] write file failed");
        unlink(tmp.c_str());
        return false;
    }
    const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

// The entry of folder `dir` whose name equals `name` without regard to
// letter case; empty when there is none.
std::string find_entry(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.c_str());
    if (!d) return {};
    std::string found;
    while (const dirent* e = readdir(d)) {
        if (strlen(e->d_name) == name.size() && strncasecmp(e->d_name, name.c_str(), name.size()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

bool CopyHiveFile(const char* src, const char* dst, bool overwrite) {
    if (!src || !dst) return false;
    FILE* in = fopen(src, "rb");
    if (!in) {
        printf("[BakHiveFile] open orignal hive failed %s\n", src);
        return false;
    }
    struct stat st {};
    const long len = _filelength(fileno(in));
    if (len <= 0 || fstat(fileno(in), &st) != 0) {
        printf("[BakHiveFile] get file size fialed %s\n", src);
        fclose(in);
        return false;
    }
    std::vector<char> bytes(static_cast<size_t>(len));
    const size_t got = fread(bytes.data(), 1, bytes.size(), in);
    fclose(in);
    if (got != bytes.size()) {
        puts("[BakHiveFile] fread origanl file failed");
        return false;
    }
    if (!overwrite && exists(dst)) return false;
    return replace_file(dst, bytes, st.st_mode);
}

char* parse_insensitive_path(const char* path, char* out, size_t size) {
    if (!path || !out || size == 0) return nullptr;
    const size_t len = strlen(path);
    if (exists(path)) {
        if (len + 1 > size) return nullptr;
        memcpy(out, path, len + 1);
        return out;
    }
    std::string built = path[0] == '/' ? "/" : "";
    size_t pos = path[0] == '/' ? 1 : 0;
    while (pos <= len) {
        size_t end = strchr(path + pos, '/') ? static_cast<size_t>(strchr(path + pos, '/') - path) : len;
        const std::string part(path + pos, end - pos);
        if (!part.empty()) {
            std::string next = built + part;
            if (!exists(next)) {
                const std::string dir = built.empty() ? "./" : built;
                const std::string entry = find_entry(dir, part);
                if (entry.empty()) return nullptr;
                next = built + entry;
            }
            built = next;
        }
        if (end < len) built += '/';
        pos = end + 1;
    }
    if (built.size() + 1 > size) return nullptr;
    memcpy(out, built.c_str(), built.size() + 1);
    return out;
}

long _filelength(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return -1;
    return static_cast<long>(st.st_size);
}
