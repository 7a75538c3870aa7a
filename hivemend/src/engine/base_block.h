#pragma once

// The base block of a hive as Windows judges it: sequence numbers and the
// checksum, which together say whether the file is clean.

#include <cstdint>

#include "hivemend/hive.h"

namespace hivemend {

// True when the 512 bytes at `p` carry the checksum Windows would store.
bool base_block_sum_ok(const unsigned char* p);

// The checksum stored into the first 512 bytes at `p`.
void store_base_block_sum(unsigned char* p);

// Dirty as Windows sees it: the two sequence numbers differ or the checksum
// is wrong. A handle whose image holds no whole base block is never dirty.
bool base_block_dirty(const Hive* h);

}  // namespace hivemend
