#pragma once

#include "Endpoint.h"
#include "HttpRoutes.h"
#include "HttpSession.h"
#include "Listener.h"
#include "Options.h"
#include "PeerLimiter.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>

#include <cstdint>

namespace nimbixd {

// The HTTP side of the service, on Boost.Beast: HTTP/1.1 keep-alive,
// TCP_NODELAY, every answer in one write, a bounded number of connections
// with a share for each peer, bounded requests (HttpSession).
class HttpService {
public:
    HttpService(const HttpRoutes& routes, const ConnectionLimits& limits, bool verbose);
    ~HttpService();
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    // Returns the bound port. Throws std::runtime_error.
    std::uint16_t bind(const Endpoint& endpoint);
    // Serves on a few threads until stop().
    void serve();
    // Safe from any thread.
    void stop();

private:
    const ConnectionLimits limits_;
    // Declared before the I/O context: the connections it still holds when
    // it goes give their places back.
    PeerLimiter limiter_;
    boost::asio::io_context io_;
    // Declared after it: disk work still queued holds connections whose
    // sockets belong to the I/O context.
    boost::asio::thread_pool disk_;
    const HttpContext context_;
    Listener listener_;
};

} // namespace nimbixd
