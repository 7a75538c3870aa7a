#pragma once

// Whether the files a repair, backup or restore will write can be written,
// asked before anything is touched so that nothing is left half done.

#include <string>
#include <vector>

namespace hivemend {

// Why the file `path` (a symbolic link is followed, as saves follow it)
// cannot be replaced the way saves replace files, by a new file written
// beside it and renamed over it, or created when it does not exist; "" when
// it can. A read-only drive below `root` (the Windows drive) is named as the
// drive, with what to do about it.
std::string write_problem(const std::string& path, const std::string& root);

// The first write_problem among `paths`, "" when every one can be written.
std::string write_problem(const std::vector<std::string>& paths, const std::string& root);

}  // namespace hivemend
