#pragma once

#include "Endpoint.h"
#include "PeerLimiter.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <cstdint>
#include <functional>
#include <string>

namespace nimbixd {

// The listening socket of one port and the admission of its connections:
// each accepted connection gets a place from the port's PeerLimiter, or is
// handed to the refusal when there is none.
class Listener {
public:
    using Admit = std::function<void(boost::asio::ip::tcp::socket, PeerLimiter::Ticket)>;
    using Refuse = std::function<void(boost::asio::ip::tcp::socket, PeerLimiter::Refusal)>;

    // The limiter must outlive every ticket, so it outlives the I/O context
    // whose handlers hold the connections.
    Listener(boost::asio::io_context& io, PeerLimiter& limiter, Admit admit, Refuse refuse);

    // Binds and listens; returns the bound port. Throws std::runtime_error
    // whose message begins with label.
    std::uint16_t bind(const Endpoint& endpoint, const std::string& label);
    // Accepts from the I/O context's threads until it stops.
    void start();

private:
    void accept();

    boost::asio::io_context& io_;
    PeerLimiter& limiter_;
    const Admit admit_;
    const Refuse refuse_;
    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer retry_;
};

} // namespace nimbixd
