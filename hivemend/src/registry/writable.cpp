#include "writable.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/replace_file.h"
#include "hivemend/regfile.h"

namespace hivemend {

namespace {

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// The immutable or append-only attribute (chattr +i, +a) of a file or
// folder, which keeps even root from replacing or adding to it; "" when it
// has neither or the file system keeps no such attributes.
std::string locked(const std::string& path, bool folder) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) return {};
    int flags = 0;
    const bool known = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    close(fd);
    if (!known) return {};
    const char* what = folder ? "the folder " : "the file ";
    if (flags & FS_IMMUTABLE_FL) return what + path + " is immutable (chattr +i)";
    if (flags & FS_APPEND_FL) return what + path + " is append-only (chattr +a)";
    return {};
}

std::string read_only_drive(const std::string& root) {
    std::string line = "the Windows drive " + root + " is mounted read-only (read-only file system)";
    char found[260];
    if (parse_insensitive_path((root + "/hiberfil.sys").c_str(), found, sizeof found))
        line +=
            "; it holds hiberfil.sys, so Windows is hibernated or was shut down with Fast Startup: start "
            "Windows and shut it down fully first (hold Shift while choosing Shut down), then try again";
    return line;
}

}  // namespace

std::string write_problem(const std::string& path, const std::string& root) {
    const std::string target = file_target(path);
    const std::string folder = folder_of(target);
    struct statvfs vfs {};
    if ((statvfs(folder.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY)) ||
        (access(folder.c_str(), W_OK | X_OK) != 0 && errno == EROFS))
        return read_only_drive(root);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return "cannot write in the folder " + folder + ": " + strerror(errno);
    if (std::string why = locked(folder, true); !why.empty()) return why;
    struct stat st {};
    if (lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return locked(target, false);
    return {};
}

std::string write_problem(const std::vector<std::string>& paths, const std::string& root) {
    for (const std::string& p : paths)
        if (std::string why = write_problem(p, root); !why.empty()) return why;
    return {};
}

}  // namespace hivemend
