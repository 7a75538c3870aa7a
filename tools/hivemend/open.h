#pragma once

#include <memory>
#include <string>

#include "hivemend/hive.h"

struct HiveCloser {
    void operator()(Hive* h) const { closeHive(h); }
};
using HivePtr = std::unique_ptr<Hive, HiveCloser>;

// Opens a hive for reading, quietly when asked; null after printing the
// reason when it cannot be opened or is no hive.
HivePtr open_for_reading(const std::string& path, bool quiet);
// The same for changing and saving the hive.
HivePtr open_for_writing(const std::string& path, bool quiet);
