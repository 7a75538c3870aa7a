#include "Endpoint.h"

#include <stdexcept>

namespace nimbixd {

namespace {

[[noreturn]] void reject(const std::string& text, const std::string& why)
{
    throw std::invalid_argument("\"" + text + "\": " + why
                                + " (expected ADDR:PORT, IPv6 as [ADDR]:PORT)");
}

} // namespace

Endpoint parse_endpoint(const std::string& text)
{
    Endpoint endpoint;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            reject(text, "missing ']:PORT' after the IPv6 address");
        endpoint.host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos)
            reject(text, "missing ':PORT'");
        endpoint.host = text.substr(0, colon);
        if (endpoint.host.find(':') != std::string::npos)
            reject(text, "IPv6 addresses need brackets");
        port = text.substr(colon + 1);
    }
    if (endpoint.host.empty())
        reject(text, "address is empty");
    if (port.empty() || port.size() > 5
        || port.find_first_not_of("0123456789") != std::string::npos || std::stoul(port) > 65535)
        reject(text, "port must be a number from 0 to 65535");
    endpoint.port = static_cast<std::uint16_t>(std::stoul(port));
    return endpoint;
}

std::string to_string(const Endpoint& endpoint)
{
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
}

} // namespace nimbixd
