#pragma once

#include <boost/asio/ip/address.hpp>

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace nimbixd {

// Admission of the connections of one port: at most `total` at once and at
// most `per_peer` of them from one peer, so that one client cannot keep every
// other out. A peer is one IPv4 address, or one IPv6 /64 network (what one
// site is given; it could otherwise take any number of addresses).
// Thread-safe.
class PeerLimiter {
public:
    PeerLimiter(std::size_t total, std::size_t per_peer);
    PeerLimiter(const PeerLimiter&) = delete;
    PeerLimiter& operator=(const PeerLimiter&) = delete;

    // A place held by one connection until the ticket goes. The limiter must
    // outlive its tickets.
    class Ticket {
    public:
        Ticket() = default;
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&& other) noexcept;
        ~Ticket();
        explicit operator bool() const { return limiter_ != nullptr; }

    private:
        friend class PeerLimiter;
        Ticket(PeerLimiter* limiter, std::string peer);
        PeerLimiter* limiter_ = nullptr;
        std::string peer_;
    };

    enum class Refusal { None, Full, PeerFull };

    // An empty ticket when the port or the peer has no place left; *why
    // tells which.
    Ticket admit(const boost::asio::ip::address& address, Refusal* why);

    // The key of the address's peer, as admit() counts it.
    static std::string peer_of(const boost::asio::ip::address& address);

private:
    void release(const std::string& peer);

    const std::size_t total_;
    const std::size_t per_peer_;
    std::mutex mutex_;
    std::size_t open_ = 0;
    std::unordered_map<std::string, std::size_t> by_peer_;
};

} // namespace nimbixd
