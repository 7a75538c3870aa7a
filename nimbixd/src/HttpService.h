#pragma once

#include "Endpoint.h"
#include "HttpRoutes.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <cstdint>

namespace nimbixd {

// The HTTP side of the service, on Boost.Beast: HTTP/1.1 keep-alive,
// TCP_NODELAY, every answer in one write, bounded heads and bodies, idle
// connections closed after 30 s.
class HttpService {
public:
    HttpService(const HttpRoutes& routes, bool verbose);

    // Returns the bound port. Throws std::runtime_error.
    std::uint16_t bind(const Endpoint& endpoint);
    // Serves on a few threads until stop().
    void serve();
    // Safe from any thread.
    void stop();

private:
    void accept();

    const HttpRoutes& routes_;
    const bool verbose_;
    boost::asio::io_context io_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer retry_;
};

} // namespace nimbixd
