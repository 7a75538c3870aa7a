#pragma once

// The check that keeps damaged hives from being changed (hive_may_change).

#include "hivemend/hive.h"

namespace hivemend {

// Releases what the check of the hive found.
void release_check(Hive* h);

}  // namespace hivemend
