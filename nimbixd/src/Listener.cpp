#include "Listener.h"

#include <boost/asio/strand.hpp>

#include <chrono>
#include <stdexcept>
#include <utility>

namespace nimbixd {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

Listener::Listener(asio::io_context& io, PeerLimiter& limiter, Admit admit, Refuse refuse)
    : io_(io)
    , limiter_(limiter)
    , admit_(std::move(admit))
    , refuse_(std::move(refuse))
    , acceptor_(io)
    , retry_(io)
{
}

std::uint16_t Listener::bind(const Endpoint& endpoint, const std::string& label)
{
    boost::system::error_code ec;
    tcp::resolver resolver(io_);
    const auto results = resolver.resolve(endpoint.host, std::to_string(endpoint.port),
                                          tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec)
        throw std::runtime_error(label + " " + to_string(endpoint) + ": " + ec.message());
    for (const auto& entry : results) {
        acceptor_.close(ec);
        acceptor_.open(entry.endpoint().protocol(), ec);
        // Address reuse after a restart, but no port sharing: a second service
        // on a taken port must fail.
        if (!ec)
            acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
        if (!ec)
            acceptor_.bind(entry.endpoint(), ec);
        if (!ec)
            acceptor_.listen(asio::socket_base::max_listen_connections, ec);
        if (!ec)
            return acceptor_.local_endpoint().port();
    }
    throw std::runtime_error(label + " " + to_string(endpoint) + ": " + ec.message());
}

void Listener::start()
{
    accept();
}

void Listener::accept()
{
    acceptor_.async_accept(asio::make_strand(io_), [this](boost::system::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted)
            return;
        if (ec) {
            // Out of descriptors or memory: try again a little later instead
            // of spinning.
            retry_.expires_after(std::chrono::milliseconds(100));
            retry_.async_wait([this](boost::system::error_code) { accept(); });
            return;
        }
        boost::system::error_code ignored;
        const auto peer = socket.remote_endpoint(ignored);
        PeerLimiter::Refusal why = PeerLimiter::Refusal::None;
        PeerLimiter::Ticket ticket = limiter_.admit(peer.address(), &why);
        if (ticket)
            admit_(std::move(socket), std::move(ticket));
        else
            refuse_(std::move(socket), why);
        accept();
    });
}

} // namespace nimbixd
