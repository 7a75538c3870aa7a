#pragma once

#include <string>

namespace nimbixd {

// What the service knows about one digest.
struct Verdict {
    enum class Kind { Clean, Dangerous, Queued };
    Kind kind = Kind::Clean;
    std::string name;  // detection name of a dangerous digest
    int id = 0;        // 1-based position of its signature in the loaded databases
};

} // namespace nimbixd
