#pragma once

// Opening a hive file for loading. Loading needs read access only (a save
// writes a new file and renames it over the hive), so hives on read-only
// drives and read-only or immutable hive files load. Only regular files are
// opened: a FIFO, a device or a folder is refused before it is opened, so
// that nothing blocks and no device is touched.

#include <cstdio>
#include <string>

namespace hivemend {

// A stream reading the regular file `path` and its length, or null; the
// reason for a null result is kept for hive_open_error().
FILE* open_for_loading(const char* path, long* length);

// Keeps `why` as the reason the current openHive gives no hive; "" clears it.
void set_open_error(const std::string& why);

}  // namespace hivemend
