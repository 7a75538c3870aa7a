#pragma once

// Saving a hive clean: a step of saving, before the image is written.

#include "hivemend/hive.h"

namespace hivemend {

// Makes the image's base block that of a clean hive Windows has nothing to
// recover: both sequence numbers equal and one above the higher of the two
// (so above every log entry applied at load), and the checksum as Windows
// computes it. The bins data size is the one the image's pages were laid
// out by (kept up to date by recovery and growth).
void make_clean(Hive* h);

}  // namespace hivemend
