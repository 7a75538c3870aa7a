#pragma once

#include <cstdint>
#include <string>

namespace nimbixd {

// A listening address as given on the command line: ADDR:PORT, or
// [IPV6]:PORT. Port 0 asks the system for a free port.
struct Endpoint {
    std::string host;
    std::uint16_t port = 0;
};

// Throws std::invalid_argument with a message that names the text.
Endpoint parse_endpoint(const std::string& text);

// ADDR:PORT, with brackets around IPv6 addresses.
std::string to_string(const Endpoint& endpoint);

} // namespace nimbixd
