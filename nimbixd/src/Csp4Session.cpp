#include "Csp4Session.h"

#include "Csp4Answer.h"
#include "Csp4Service.h"
#include "MessageContainer.pb.h"

#include <boost/asio/post.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace nimbixd {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

// The payload grows by at most this much per read, as its bytes arrive: a
// frame that announces much and sends little costs little.
constexpr std::size_t kReadPiece = 16 * 1024;
// What a connection keeps of its last frame between frames.
constexpr std::size_t kKeptCapacity = 4 * 1024;

} // namespace

Csp4Session::Csp4Session(tcp::socket socket, PeerLimiter::Ticket ticket, const Csp4Service& service)
    : socket_(std::move(socket))
    , deadline_(socket_.get_executor())
    , ticket_(std::move(ticket))
    , service_(service)
{
    error_code ignored;
    socket_.set_option(tcp::no_delay(true), ignored);
    const auto peer = socket_.remote_endpoint(ignored);
    peer_ = peer.address().to_string() + ":" + std::to_string(peer.port());
}

void Csp4Session::start()
{
    // When the port is full, a peer holding fewer connections takes this
    // one's place if this peer holds most.
    ticket_.on_evict([weak = weak_from_this()] {
        if (const auto self = weak.lock())
            asio::post(self->socket_.get_executor(), [self] { self->close("its place went to a peer with fewer connections"); });
    });
    wait_for_frame();
}

void Csp4Session::arm(std::chrono::seconds limit)
{
    deadline_.expires_after(limit);
    deadline_.async_wait([self = shared_from_this(), generation = ++deadline_generation_](error_code ec) {
        if (!ec && generation == self->deadline_generation_)
            self->close("out of time");
    });
}

// A frame's time starts with its first byte, not with the last frame.
void Csp4Session::wait_for_frame()
{
    arm(service_.limits().idle);
    asio::async_read(socket_, asio::buffer(header_, 1), [self = shared_from_this()](error_code ec, std::size_t) {
        if (ec)
            return self->close(nullptr);
        self->read_header();
    });
}

void Csp4Session::read_header()
{
    arm(service_.limits().request);
    asio::async_read(socket_, asio::buffer(header_ + 1, sizeof header_ - 1),
                     [self = shared_from_this()](error_code ec, std::size_t) {
                         if (ec)
                             return self->close(nullptr);
                         self->on_header();
                     });
}

void Csp4Session::on_header()
{
    if (std::memcmp(header_, "CSP4", 4) != 0)
        return close("invalid protocol");
    length_ = header_[4] | header_[5] << 8 | header_[6] << 16 | static_cast<std::uint32_t>(header_[7]) << 24;
    if (length_ > Csp4Service::kMaxFrameLength)
        return close("frame exceeds the limit");
    payload_.clear();
    received_ = 0;
    read_payload();
}

void Csp4Session::read_payload()
{
    if (received_ == length_)
        return answer();
    payload_.resize(std::min<std::size_t>(length_, received_ + kReadPiece));
    socket_.async_read_some(asio::buffer(payload_.data() + received_, payload_.size() - received_),
                            [self = shared_from_this()](error_code ec, std::size_t n) {
                                if (ec)
                                    return self->close(nullptr);
                                self->received_ += n;
                                self->read_payload();
                            });
}

void Csp4Session::answer()
{
    MessageContainer container;
    if (!container.ParsePartialFromString(payload_) || !container.IsInitialized() || container.version() != 1)
        return close("malformed container");
    reply_ = csp4_answer(service_.database(), container.type_id(), container.body());
    if (service_.verbose())
        std::fprintf(stderr, "nimbixd: csp4 %s %s\n", peer_.c_str(),
                     MessageContainer::MessageType_Name(container.type_id()).c_str());
    if (payload_.capacity() > kKeptCapacity)
        std::string().swap(payload_);
    arm(service_.limits().request);
    asio::async_write(socket_, asio::buffer(reply_), [self = shared_from_this()](error_code ec, std::size_t) {
        if (ec)
            return self->close(nullptr);
        if (self->reply_.capacity() > kKeptCapacity)
            std::string().swap(self->reply_);
        self->wait_for_frame();
    });
}

void Csp4Session::close(const char* why)
{
    if (why && service_.verbose())
        std::fprintf(stderr, "nimbixd: csp4 %s: %s, closing\n", peer_.c_str(), why);
    error_code ignored;
    deadline_.cancel();
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

} // namespace nimbixd
