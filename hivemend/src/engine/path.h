#pragma once

// Path lookup (trav_path), above key and value records.

#include <cstddef>

#include "hivemend/hive.h"

namespace hivemend {

// What a path leads to.
struct PathHit {
    int cell = 0;         // cell offset of the key or value found, 0 when none
    int key = 0;          // record offset of the key found, or of the key holding the value found
    size_t name_len = 0;  // a value found: the length of its name as the path gives it (0 for the unnamed value)
};

// trav_path, telling also where the value found lives.
PathHit find_path(Hive* h, int start, const char* path, int flags);

}  // namespace hivemend
