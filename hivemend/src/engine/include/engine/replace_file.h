#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace hivemend {

// The file `name` leads to, symbolic links followed: what replace_file
// replaces. The name itself when it leads nowhere.
std::string file_target(const std::string& name);

// Replaces the file `name` leads to (a symbolic link is followed and stays)
// with `len` bytes. They go to a new file in the same folder, reach the
// disk, and only then take the file's name, so a crash or a full disk leaves
// either the old file or the new one whole. With `model`, the new file takes
// its mode and (where the file system allows) its owner. On failure errno is
// set and no temporary file is left; on success the temporary files that
// earlier, interrupted writes of the same file left are removed.
enum class Replaced { Yes, NotCreated, NotWritten };
Replaced replace_file(const std::string& name, const void* data, size_t len, const struct stat* model);

// Writes `len` bytes to the new file `target` the same way, but never over a
// file that exists: then NotCreated with errno EEXIST.
Replaced create_file(const std::string& target, const void* data, size_t len, const struct stat* model);

}  // namespace hivemend
