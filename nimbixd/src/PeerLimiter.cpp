#include "PeerLimiter.h"

#include <utility>

namespace nimbixd {

PeerLimiter::PeerLimiter(std::size_t total, std::size_t per_peer)
    : total_(total)
    , per_peer_(per_peer)
{
}

std::string PeerLimiter::peer_of(const boost::asio::ip::address& address)
{
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return peer_of(boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, address.to_v6()));
    if (address.is_v4()) {
        const auto bytes = address.to_v4().to_bytes();
        return std::string(bytes.begin(), bytes.end());
    }
    const auto bytes = address.to_v6().to_bytes();
    return std::string(bytes.begin(), bytes.begin() + 8) + "/64";
}

PeerLimiter::Ticket PeerLimiter::admit(const boost::asio::ip::address& address, Refusal* why)
{
    std::string peer = peer_of(address);
    std::lock_guard lock(mutex_);
    if (open_ >= total_) {
        *why = Refusal::Full;
        return {};
    }
    std::size_t& held = by_peer_[peer];
    if (held >= per_peer_) {
        *why = Refusal::PeerFull;
        return {};
    }
    ++held;
    ++open_;
    *why = Refusal::None;
    return Ticket(this, std::move(peer));
}

void PeerLimiter::release(const std::string& peer)
{
    std::lock_guard lock(mutex_);
    --open_;
    const auto found = by_peer_.find(peer);
    if (--found->second == 0)
        by_peer_.erase(found);
}

PeerLimiter::Ticket::Ticket(PeerLimiter* limiter, std::string peer)
    : limiter_(limiter)
    , peer_(std::move(peer))
{
}

PeerLimiter::Ticket::Ticket(Ticket&& other) noexcept
    : limiter_(std::exchange(other.limiter_, nullptr))
    , peer_(std::move(other.peer_))
{
}

PeerLimiter::Ticket& PeerLimiter::Ticket::operator=(Ticket&& other) noexcept
{
    if (this != &other) {
        if (limiter_)
            limiter_->release(peer_);
        limiter_ = std::exchange(other.limiter_, nullptr);
        peer_ = std::move(other.peer_);
    }
    return *this;
}

PeerLimiter::Ticket::~Ticket()
{
    if (limiter_)
        limiter_->release(peer_);
}

} // namespace nimbixd
