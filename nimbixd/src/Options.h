#pragma once

#include "Endpoint.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nimbixd {

// What one client may hold of the service, on each of its ports.
struct ConnectionLimits {
    std::size_t total = 1024;   // connections at once
    std::size_t per_peer = 64;  // of them from one address (IPv6: one /64 network)
    std::chrono::seconds idle{30};      // waiting for the first byte of a request or frame
    std::chrono::seconds request{10};   // from that byte to the end of a query or frame, and each answer's write
    std::chrono::seconds upload{120};   // from that byte to the end of a sample upload
};

// How much the sample folder may hold.
struct SampleQuota {
    std::uint64_t bytes = 1ull << 30;
    std::uint64_t count = 10000;
};

struct Options {
    Endpoint listen;
    std::vector<std::string> hash_dbs;
    std::vector<std::string> queue_dbs;
    std::optional<std::string> samples;
    std::optional<Endpoint> csp4;
    ConnectionLimits limits;
    SampleQuota quota;
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
