#pragma once

// Locating value records and their data.

#include <cstdint>

#include "engine/image.h"
#include "engine/names.h"

namespace hivemend {

// Record offset of the value of `nk` matching `q`, 0 when there is none.
int find_value(const Hive* h, const nk_key* nk, const NameQuery& q);

// Where a value's bytes live.
enum class DataKind {
    None,     // length 0
    Inline,   // in the vk's data field
    Cell,     // in one data cell
    Big,      // in the parts of a db record
    Damaged,  // an offset or length does not fit
};

struct DataRef {
    DataKind kind = DataKind::None;
    int len = 0;                 // data length
    unsigned char* p = nullptr;  // Inline/Cell: the bytes; Big: the db record
};

// Locates the data of a vk; never reads outside the cells that hold it.
DataRef locate_data(const Hive* h, const vk_key* vk);

// Copies the whole data of a located value into `out` (its `len` bytes),
// printing the part walk of big data when `trace` is given. False when the
// data is damaged.
bool copy_data(const Hive* h, const DataRef& d, unsigned char* out, const char* trace);

}  // namespace hivemend
