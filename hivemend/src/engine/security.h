#pragma once

// Security records ("sk") are shared: every key names one, and the record
// counts the keys that use it. Windows frees a record whose count drops to
// zero, so a count below the number of its users lets a later deletion free
// a record other keys still name. The engine keeps the counts exact.

#include <cstdint>

#include "engine/image.h"

namespace hivemend {

// The sk record at stored offset `stored`, its security data inside its
// cell; null otherwise.
sk_key* sk_stored(const Hive* h, int32_t stored);

// Counts one more key using the record; false (nothing changed) when it is
// unreadable or its count cannot grow.
bool sk_acquire(Hive* h, int32_t stored);

// Counts one key fewer; a record no key uses any more is unlinked from the
// list of security records and freed. An unreadable record is left alone.
void sk_release(Hive* h, int32_t stored);

}  // namespace hivemend
