#include "engine/open_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "hivemend/hive.h"

namespace hivemend {

namespace {

thread_local std::string g_open_error;

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "no regular file";
}

FILE* refuse(const std::string& why) {
    set_open_error(why);
    return nullptr;
}

// The reason a regular file of `st` cannot be a hive image, "" when it can.
std::string size_problem(const struct stat& st) {
    if (st.st_size == 0) return "the file is empty";
    if (st.st_size > INT_MAX) return "the file is larger than 2 GiB";
    return {};
}

}  // namespace

void set_open_error(const std::string& why) { g_open_error = why; }

FILE* open_for_loading(const char* path, long* length) {
    set_open_error("");
    struct stat st {};
    if (stat(path, &st) != 0) return refuse(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return refuse(std::string("not a regular file but ") + kind_of(st.st_mode));
    if (const std::string why = size_problem(st); !why.empty()) return refuse(why);
    // The file may have been swapped for a FIFO since: never wait for one.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return refuse(std::string("cannot be read: ") + std::strerror(errno));
    struct stat opened {};
    std::string why;
    if (fstat(fd, &opened) != 0) {
        why = std::string("cannot be read: ") + std::strerror(errno);
    } else if (!S_ISREG(opened.st_mode)) {
        why = std::string("not a regular file but ") + kind_of(opened.st_mode);
    } else {
        why = size_problem(opened);
    }
    FILE* fp = why.empty() ? fdopen(fd, "r") : nullptr;
    if (!fp) {
        close(fd);
        return refuse(why.empty() ? std::string("cannot be read: ") + std::strerror(errno) : why);
    }
    *length = static_cast<long>(opened.st_size);
    return fp;
}

}  // namespace hivemend

const char* hive_open_error() { return hivemend::g_open_error.c_str(); }
