#pragma once

// Recovery of a dirty hive from its transaction logs: a step of loading,
// between reading the file's bytes and parsing the image. It changes only
// the image in memory.

#include <vector>

#include "hivemend/hive.h"
#include "hivemend/recovery.h"
#include "logfile.h"

namespace hivemend {

// When the base block of `h` says dirty, lays the entries of `logs` over the
// image as Windows would at load time; records in h->recovery what it did
// and says so in one line.
// Logs that could not be read are reported as `unreadable`.
void recover_image(Hive* h, const std::vector<LogBytes>& logs, const std::vector<HiveLogReport>& unreadable = {});

// recover_image with the logs found beside h->filename, read only when the
// hive is dirty.
void recover_from_disk(Hive* h);

}  // namespace hivemend
