#pragma once

#include "PeerLimiter.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace nimbixd {

class Csp4Service;

// One connection of the CSP4 port: frames are read and answered one after
// the other.
class Csp4Session : public std::enable_shared_from_this<Csp4Session> {
public:
    Csp4Session(boost::asio::ip::tcp::socket socket, PeerLimiter::Ticket ticket, const Csp4Service& service);

    void start();

private:
    void arm(std::chrono::seconds limit);
    void wait_for_frame();
    void read_header();
    void on_header();
    void read_payload();
    void answer();
    void close(const char* why);

    boost::asio::ip::tcp::socket socket_;
    boost::asio::steady_timer deadline_;
    unsigned deadline_generation_ = 0;
    PeerLimiter::Ticket ticket_;
    const Csp4Service& service_;
    std::string peer_;
    unsigned char header_[8] = {};
    std::uint32_t length_ = 0;
    std::string payload_;
    std::size_t received_ = 0;
    std::string reply_;
};

} // namespace nimbixd
