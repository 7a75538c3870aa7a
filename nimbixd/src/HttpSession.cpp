#include "HttpSession.h"

#include "HttpFraming.h"

#include <safetext/safetext.h>

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <cstdio>

namespace nimbixd {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// The head and a query's body, or a head and the start of what follows it.
constexpr std::size_t kMaxBuffered = HttpSession::kMaxHeadBytes + HttpSession::kMaxQueryBytes + 4096;
constexpr std::size_t kReadSize = 4096;
constexpr std::size_t kUploadPiece = 32 * 1024;
constexpr auto kLingerTime = std::chrono::seconds(2);

std::string seconds(std::chrono::seconds limit)
{
    return std::to_string(limit.count()) + " s";
}

} // namespace

HttpSession::HttpSession(tcp::socket socket, PeerLimiter::Ticket ticket, const HttpContext& context)
    : socket_(std::move(socket))
    , deadline_(socket_.get_executor())
    , ticket_(std::move(ticket))
    , context_(context)
    , buffer_(kMaxBuffered)
{
    beast::error_code ignored;
    // Without TCP_NODELAY a keep-alive exchange waits for the peer's delayed
    // ACK: about 40 ms per request.
    socket_.set_option(tcp::no_delay(true), ignored);
    const auto peer = socket_.remote_endpoint(ignored);
    peer_ = peer.address().to_string() + ":" + std::to_string(peer.port());
}

void HttpSession::start()
{
    // When the port is full, a peer holding fewer connections takes this
    // one's place if this peer holds most.
    ticket_.on_evict([weak = weak_from_this()] {
        if (const auto self = weak.lock())
            asio::post(self->socket_.get_executor(), [self] { self->close(); });
    });
    wait_for_request();
}

// One timer for every phase; a wait that a later arm() overtook does nothing.
void HttpSession::arm(std::chrono::seconds limit, Phase phase)
{
    phase_ = phase;
    timed_out_ = false;
    deadline_.expires_after(limit);
    deadline_.async_wait([self = shared_from_this(), generation = ++deadline_generation_](beast::error_code ec) {
        if (!ec && generation == self->deadline_generation_)
            self->on_deadline();
    });
}

void HttpSession::on_deadline()
{
    if (phase_ != Phase::Request)
        return close();
    // The read in progress ends as cancelled, or the upload piece on the
    // disk threads comes back to find the time gone; either answers 408.
    timed_out_ = true;
    beast::error_code ignored;
    socket_.cancel(ignored);
}

// The idle wait ends with the first byte of the next request, or with bytes
// a pipelining client sent already; the request's own time starts then.
void HttpSession::wait_for_request()
{
    if (buffer_.size() > 0)
        return read_head();
    arm(context_.limits.idle, Phase::Idle);
    socket_.async_read_some(buffer_.prepare(kReadSize), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
        if (ec)
            return self->close();
        self->buffer_.commit(n);
        self->read_head();
    });
}

void HttpSession::read_head()
{
    head_.emplace();
    head_->header_limit(static_cast<std::uint32_t>(kMaxHeadBytes));
    // The body's bound depends on the route, known once the head is read:
    // Content-Length is checked then, chunked bodies as they arrive. Until
    // then the largest bound of any route holds.
    head_->body_limit(kMaxUploadBytes);
    route_ = HttpRoutes::Route::NotFound;
    arm(context_.limits.request, Phase::Request);
    http::async_read_header(socket_, buffer_, *head_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->on_head(ec);
    });
}

void HttpSession::on_head(beast::error_code ec)
{
    if (ec)
        return failed_read(ec);
    const auto& request = head_->get();
    method_ = std::string(request.method_string());
    target_ = std::string(request.target());
    version_ = request.version();
    keep_alive_ = request.keep_alive();
    if (const auto problem = framing_problem(request))
        return answer(HttpRoutes::error(problem->status, "malformed request: " + problem->why), false);
    route_ = context_.routes.route(method_, target_);
    if (const auto length = head_->content_length(); length && *length > body_limit())
        return too_large();
    if (route_ == HttpRoutes::Route::Upload)
        return start_upload();
    go_ahead(&HttpSession::read_small_body);
}

// Clients such as curl announce larger bodies with "Expect: 100-continue"
// and wait a second for the go-ahead before they send them.
void HttpSession::go_ahead(void (HttpSession::*next)())
{
    if (!beast::iequals(head_ ? head_->get()[http::field::expect] : beast::string_view(), "100-continue"))
        return (this->*next)();
    continue_ = {http::status::continue_, version_};
    http::async_write(socket_, continue_, [self = shared_from_this(), next](beast::error_code ec, std::size_t) {
        if (ec)
            return self->close();
        ((*self).*next)();
    });
}

void HttpSession::read_small_body()
{
    small_.emplace(std::move(*head_));
    head_.reset();
    small_->body_limit(body_limit());
    http::async_read(socket_, buffer_, *small_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->on_small_body(ec);
    });
}

void HttpSession::on_small_body(beast::error_code ec)
{
    if (ec)
        return failed_read(ec);
    const std::string body = std::move(small_->get().body());
    small_.reset();
    switch (route_) {
    case HttpRoutes::Route::Query:
        return answer(context_.routes.query(body), keep_alive_);
    case HttpRoutes::Route::NotAllowed:
        return answer(HttpRoutes::error(405, "use POST"), keep_alive_);
    case HttpRoutes::Route::NotFound:
    case HttpRoutes::Route::Upload:
        break;
    }
    answer(HttpRoutes::error(404, "no such endpoint"), keep_alive_);
}

// An upload is refused from its head alone when it cannot fit; otherwise
// its room in the sample store is held until it ends.
void HttpSession::start_upload()
{
    const auto& request = head_->get();
    const auto type = request[http::field::content_type];
    const auto boundary = multipart_boundary(std::string_view(type.data(), type.size()));
    if (!boundary)
        return answer(HttpRoutes::error(400, "expected a multipart/form-data body with the field userdata_upload"),
                      false);
    const auto length = head_->content_length();
    const std::uint64_t room = std::min<std::uint64_t>(length.value_or(UploadReceiver::kMaxSampleBytes),
                                                       UploadReceiver::kMaxSampleBytes);
    SampleStore::Reservation reservation = context_.routes.samples()->reserve(room);
    if (!reservation)
        return answer(HttpRoutes::error(507, "the sample folder is full"), false);
    receiver_ = std::make_unique<UploadReceiver>(*context_.routes.samples(), *boundary, std::move(reservation));
    piece_.resize(kUploadPiece);
    arm(context_.limits.upload, Phase::Request);
    go_ahead(&HttpSession::read_upload);
}

void HttpSession::read_upload()
{
    if (head_) {
        upload_.emplace(std::move(*head_));
        head_.reset();
        upload_->body_limit(body_limit());
    }
    auto& body = upload_->get().body();
    body.data = piece_.data();
    body.size = piece_.size();
    http::async_read(socket_, buffer_, *upload_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->on_upload_piece(ec);
    });
}

// Each piece is hashed and written on the disk threads, away from the
// threads that answer queries; the next piece is read when it is done.
void HttpSession::on_upload_piece(beast::error_code ec)
{
    if (ec == http::error::need_buffer)
        ec = {};
    if (ec) {
        receiver_.reset();
        return failed_read(ec);
    }
    const std::size_t filled = piece_.size() - upload_->get().body().size;
    const bool done = upload_->is_done();
    asio::post(context_.disk, [self = shared_from_this(), filled, done] {
        std::optional<HttpAnswer> result;
        try {
            self->receiver_->feed(std::string_view(self->piece_.data(), filled));
            if (self->receiver_->state() == UploadReceiver::State::TooLarge)
                result = HttpRoutes::error(413, "sample larger than " + std::to_string(self->receiver_->limit())
                                                    + " bytes");
            else if (self->receiver_->state() == UploadReceiver::State::Malformed)
                result = HttpRoutes::uploaded(std::nullopt);
            else if (done)
                result = HttpRoutes::uploaded(self->receiver_->finish());
        } catch (const StoreError& e) {
            std::fprintf(stderr, "nimbixd: %s\n", safetext::escaped(e.what()).c_str());
            result = HttpRoutes::error(500, e.what());
        }
        asio::post(self->socket_.get_executor(),
                   [self, result = std::move(result)] { self->after_upload_piece(std::move(result)); });
    });
}

void HttpSession::after_upload_piece(std::optional<HttpAnswer> result)
{
    if (!result && !timed_out_)
        return read_upload();
    receiver_.reset();
    upload_.reset();
    if (!result)
        return answer(HttpRoutes::error(408, "upload not complete within " + seconds(context_.limits.upload)), false);
    answer(*result, keep_alive_ && result->status == 200);
}

void HttpSession::failed_read(beast::error_code ec)
{
    if (timed_out_)
        return answer(HttpRoutes::error(408, "request not complete within " + seconds(context_.limits.request)),
                      false);
    if (ec == http::error::body_limit) {
        if (head_ && head_->is_header_done()) {
            const auto& request = head_->get();
            route_ = context_.routes.route(std::string_view(request.method_string().data(), request.method_string().size()),
                                           std::string_view(request.target().data(), request.target().size()));
        }
        return too_large();
    }
    if (ec == http::error::header_limit || ec == http::error::buffer_overflow)
        return answer(HttpRoutes::error(431, "request head larger than " + std::to_string(kMaxHeadBytes) + " bytes"),
                      false);
    if (ec.category() == http::make_error_code(http::error::bad_target).category()
        && ec != http::error::end_of_stream && ec != http::error::partial_message)
        return answer(HttpRoutes::error(400, "malformed request: " + ec.message()), false);
    close();
}

std::uint64_t HttpSession::body_limit() const
{
    return route_ == HttpRoutes::Route::Upload ? kMaxUploadBytes : kMaxQueryBytes;
}

void HttpSession::too_large()
{
    answer(HttpRoutes::error(413, "request body larger than " + std::to_string(body_limit()) + " bytes"), false);
}

void HttpSession::answer(const HttpAnswer& result, bool keep_alive)
{
    if (context_.verbose)
        std::fprintf(stderr, "nimbixd: %s %s %s %d\n", peer_.c_str(), safetext::escaped(method_).c_str(),
                     safetext::escaped(target_).c_str(), result.status);
    // After a 400 where the next request begins is not to be trusted.
    if (result.status == 400)
        keep_alive = false;
    head_.reset();
    small_.reset();
    response_ = {};
    response_.version(version_ == 10 ? 10 : 11);
    response_.result(static_cast<unsigned>(result.status));
    if (!result.content_type.empty())
        response_.set(http::field::content_type, result.content_type);
    response_.body() = result.body;
    response_.keep_alive(keep_alive);
    response_.prepare_payload();
    method_ = "-";
    target_ = "-";
    arm(context_.limits.request, Phase::Writing);
    // Head and body leave in one gathered write.
    http::async_write(socket_, response_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->on_write(ec);
    });
}

void HttpSession::on_write(beast::error_code ec)
{
    if (ec)
        return close();
    if (!response_.keep_alive())
        return linger();
    response_ = {};
    wait_for_request();
}

// Closing with unread request bytes would make the kernel reset the
// connection and could destroy the answer before the client reads it (a 413
// while the client still sends its body). Send FIN instead and discard what
// still arrives, for a short while.
void HttpSession::linger()
{
    beast::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    discard_ = std::make_unique<std::array<char, 4096>>();
    arm(std::chrono::duration_cast<std::chrono::seconds>(kLingerTime), Phase::Lingering);
    drain();
}

void HttpSession::drain()
{
    socket_.async_read_some(asio::buffer(*discard_), [self = shared_from_this()](beast::error_code ec, std::size_t) {
        if (ec)
            return self->close();
        self->drain();
    });
}

void HttpSession::close()
{
    beast::error_code ignored;
    deadline_.cancel();
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

void refuse_http(tcp::socket socket, const std::string& why)
{
    const std::string answer = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain\r\nContent-Length: "
        + std::to_string(why.size() + 1) + "\r\nConnection: close\r\n\r\n" + why + "\n";
    beast::error_code ignored;
    socket.non_blocking(true, ignored);
    socket.write_some(asio::buffer(answer), ignored);
    socket.shutdown(tcp::socket::shutdown_send, ignored);
    socket.close(ignored);
}

} // namespace nimbixd
