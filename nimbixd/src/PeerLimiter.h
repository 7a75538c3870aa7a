#pragma once

#include <boost/asio/ip/address.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

namespace nimbixd {

// Admission of the connections of one port: at most `total` at once and at
// most `per_peer` of them from one peer. A peer is one IPv4 address, or one
// IPv6 /64 network (what one site is given; it could otherwise take any
// number of addresses). When the port is full, a peer that holds fewer
// connections than the peer holding most still gets in: that peer's oldest
// connection is closed for it. So no number of addresses keeps a client
// with few connections out; only peers that all hold about as many fill the
// port. Thread-safe.
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

        // How the connection is closed when another peer needs its place;
        // called from any thread, at most once. Without it the connection
        // is never closed for another.
        void on_evict(std::function<void()> evict);

    private:
        friend class PeerLimiter;
        Ticket(PeerLimiter* limiter, std::string peer, std::uint64_t id);
        PeerLimiter* limiter_ = nullptr;
        std::string peer_;
        std::uint64_t id_ = 0;
    };

    enum class Refusal { None, Full, PeerFull };

    // An empty ticket when the peer has its share already, or the port is
    // full and no peer holds more than this one; *why tells which.
    Ticket admit(const boost::asio::ip::address& address, Refusal* why);

    // The key of the address's peer, as admit() counts it.
    static std::string peer_of(const boost::asio::ip::address& address);

private:
    struct Member {
        std::uint64_t id;
        std::function<void()> evict;
        bool evicted = false;
    };
    struct Peer {
        std::list<Member> members;  // oldest first
        std::size_t live = 0;       // members not evicted
    };

    // The oldest evictable member of the peer that holds most, when it
    // holds more than one more than `held`; marks it evicted.
    std::function<void()> make_room(std::size_t held);
    void release(const std::string& peer, std::uint64_t id);
    void set_evict(const std::string& peer, std::uint64_t id, std::function<void()> evict);

    const std::size_t total_;
    const std::size_t per_peer_;
    std::mutex mutex_;
    std::size_t live_ = 0;
    std::uint64_t next_id_ = 1;
    std::unordered_map<std::string, Peer> peers_;
};

} // namespace nimbixd
