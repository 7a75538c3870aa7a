#include "hivemend/regfile.h"

#include "engine/diag.h"
#include "engine/open_file.h"
#include "engine/replace_file.h"
#include "hivemend/hive.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace hivemend;

namespace {

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
    // Only regular files are copied: a FIFO or device in a hive's place is
    // refused at once instead of blocking the backup or reading forever.
    long len = 0;
    FILE* in = hivemend::open_for_loading(src, &len);
    if (!in) {
        diag_printf("[BakHiveFile] open orignal hive failed %s: %s\n", src, hive_open_error());
        return false;
    }
    struct stat st {};
    if (len <= 0 || fstat(fileno(in), &st) != 0) {
        diag_printf("[BakHiveFile] get file size fialed %s\n", src);
        fclose(in);
        return false;
    }
    std::vector<char> bytes(static_cast<size_t>(len));
    const size_t got = fread(bytes.data(), 1, bytes.size(), in);
    fclose(in);
    if (got != bytes.size()) {
        diag_puts("[BakHiveFile] fread origanl file failed");
        return false;
    }
    if (!overwrite && exists(dst)) return false;
    if (hivemend::replace_file(dst, bytes.data(), bytes.size(), &st) != hivemend::Replaced::Yes) {
        diag_puts("[BakHiveFile] write file failed");
        return false;
    }
    return true;
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
