#pragma once

#include "Endpoint.h"
#include "HashDatabase.h"
#include "Listener.h"
#include "Options.h"
#include "PeerLimiter.h"

#include <boost/asio/io_context.hpp>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace nimbixd {

// The CSP4 framed protocol on its own TCP port: each frame holding a
// HashQuery is answered with a frame holding a HashResponse, on keep-alive
// connections. Connections are limited as on the HTTP port; a frame has its
// time from its first byte to its last, its payload is read as it arrives
// and may hold at most kMaxFrameLength bytes (its answer: Csp4Answer.h). A
// frame that breaks the framing, or runs out of time, ends its connection.
class Csp4Service {
public:
    // Far above one frame's worth of kMaxCsp4HashValues digests (about 55
    // KiB), far below what would let a frame of tiny values cost much memory.
    static constexpr std::uint32_t kMaxFrameLength = 64 * 1024;

    Csp4Service(const HashDatabase& database, const ConnectionLimits& limits, bool verbose);
    ~Csp4Service();
    Csp4Service(const Csp4Service&) = delete;
    Csp4Service& operator=(const Csp4Service&) = delete;

    // Binds and listens; returns the bound port. Throws std::runtime_error.
    std::uint16_t bind(const Endpoint& endpoint);
    void start();
    // Closes the listener and every connection and waits for their threads.
    void stop();

    const HashDatabase& database() const { return database_; }

    bool verbose() const { return verbose_; }
    const ConnectionLimits& limits() const { return limits_; }

private:
    const HashDatabase& database_;
    const ConnectionLimits limits_;
    const bool verbose_;
    PeerLimiter limiter_;
    boost::asio::io_context io_;
    Listener listener_;
    std::vector<std::thread> threads_;
};

} // namespace nimbixd
