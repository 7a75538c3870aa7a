#pragma once

// Hive files on the Linux file system: finding them whatever the letter case
// of the mounted Windows partition, and copying them for backup and restore.

#include <cstddef>

#include "hivemend/export.h"

// Copies `src` to `dst`. With `overwrite` false an existing `dst` is left as
// it is and the copy fails. The copy goes to a new file beside `dst` that
// replaces it only once it is whole on disk, so `dst` is never left half
// written. True when `dst` now holds a copy of `src`.
HIVEMEND_API bool CopyHiveFile(const char* src, const char* dst, bool overwrite);

// `path` as it exists on disk, each component matched without regard to
// letter case where the name as written does not exist, in `out` (`size`
// bytes). Null when a component exists in no letter case, a folder cannot
// be listed, or the result does not fit.
HIVEMEND_API char* parse_insensitive_path(const char* path, char* out, size_t size = 260);

// Length of the open file `fd`, -1 when it cannot be told.
HIVEMEND_API long _filelength(int fd);
