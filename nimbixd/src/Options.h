#pragma once

#include "Endpoint.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nimbixd {

struct Options {
    Endpoint listen;
    std::vector<std::string> hash_dbs;
    std::vector<std::string> queue_dbs;
    std::optional<std::string> samples;
    std::optional<Endpoint> csp4;
    bool verbose = false;
    bool help = false;
};

// A command line that cannot be used; the message says what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Options parse_options(const std::vector<std::string>& args);

// The text of --help.
std::string usage();

} // namespace nimbixd
