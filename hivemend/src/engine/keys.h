#pragma once

// Key records: the root, and a subkey found by its name.

#include <cstdint>

#include "engine/image.h"
#include "engine/names.h"

namespace hivemend {

// Whether the key at record offset `rec` is the root: the base block names
// it, or its record says so.
bool is_root(const Hive* h, int64_t rec, const nk_key* nk);

// Record offset of the subkey of `nk` matching `q` (with `prefix`, the
// first whose name begins with it), 0 when there is none.
int find_subkey(const Hive* h, const nk_key* nk, const NameQuery& q, bool prefix);

}  // namespace hivemend
