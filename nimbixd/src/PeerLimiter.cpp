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
    std::string key = peer_of(address);
    std::function<void()> evict;
    std::uint64_t id = 0;
    {
        std::lock_guard lock(mutex_);
        const auto found = peers_.find(key);
        const std::size_t held = found == peers_.end() ? 0 : found->second.members.size();
        if (held >= per_peer_) {
            *why = Refusal::PeerFull;
            return {};
        }
        if (live_ >= total_) {
            evict = make_room(held);
            if (!evict) {
                *why = Refusal::Full;
                return {};
            }
        }
        Peer& peer = peers_[key];
        id = next_id_++;
        peer.members.push_back(Member{id, {}});
        ++peer.live;
        ++live_;
    }
    // The evicted connection closes on its own thread; until it has, the
    // port holds one connection more than its limit.
    if (evict)
        evict();
    *why = Refusal::None;
    return Ticket(this, std::move(key), id);
}

std::function<void()> PeerLimiter::make_room(std::size_t held)
{
    Peer* biggest = nullptr;
    for (auto& [key, peer] : peers_) {
        if (!biggest || peer.live > biggest->live)
            biggest = &peer;
    }
    if (!biggest || biggest->live <= held + 1)
        return {};
    for (Member& member : biggest->members) {
        if (member.evicted || !member.evict)
            continue;
        member.evicted = true;
        --biggest->live;
        --live_;
        return std::move(member.evict);
    }
    return {};
}

void PeerLimiter::release(const std::string& key, std::uint64_t id)
{
    std::lock_guard lock(mutex_);
    const auto found = peers_.find(key);
    Peer& peer = found->second;
    for (auto member = peer.members.begin(); member != peer.members.end(); ++member) {
        if (member->id != id)
            continue;
        if (!member->evicted) {
            --peer.live;
            --live_;
        }
        peer.members.erase(member);
        break;
    }
    if (peer.members.empty())
        peers_.erase(found);
}

void PeerLimiter::set_evict(const std::string& key, std::uint64_t id, std::function<void()> evict)
{
    std::lock_guard lock(mutex_);
    for (Member& member : peers_.at(key).members) {
        if (member.id == id && !member.evicted) {
            member.evict = std::move(evict);
            return;
        }
    }
}

PeerLimiter::Ticket::Ticket(PeerLimiter* limiter, std::string peer, std::uint64_t id)
    : limiter_(limiter)
    , peer_(std::move(peer))
    , id_(id)
{
}

PeerLimiter::Ticket::Ticket(Ticket&& other) noexcept
    : limiter_(std::exchange(other.limiter_, nullptr))
    , peer_(std::move(other.peer_))
    , id_(other.id_)
{
}

PeerLimiter::Ticket& PeerLimiter::Ticket::operator=(Ticket&& other) noexcept
{
    if (this != &other) {
        if (limiter_)
            limiter_->release(peer_, id_);
        limiter_ = std::exchange(other.limiter_, nullptr);
        peer_ = std::move(other.peer_);
        id_ = other.id_;
    }
    return *this;
}

PeerLimiter::Ticket::~Ticket()
{
    if (limiter_)
        limiter_->release(peer_, id_);
}

void PeerLimiter::Ticket::on_evict(std::function<void()> evict)
{
    if (limiter_)
        limiter_->set_evict(peer_, id_, std::move(evict));
}

} // namespace nimbixd
