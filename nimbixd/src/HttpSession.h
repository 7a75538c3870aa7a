#pragma once

#include "HttpRoutes.h"
#include "Options.h"
#include "PeerLimiter.h"
#include "UploadReceiver.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nimbixd {

// What every connection of the HTTP port shares.
struct HttpContext {
    const HttpRoutes& routes;
    const ConnectionLimits& limits;
    boost::asio::thread_pool& disk;  // uploads are hashed, written and synced here
    bool verbose;
};

// One client connection of the HTTP port: requests are read and answered one
// after the other. What a connection holds is bounded by what its request's
// route can need: a head of 8 KiB, a query body of 4 KiB, one piece of an
// upload (whose sample goes to disk as it arrives). A request has its time
// from its first byte to its end, whatever pace the bytes come at; running
// out of it gets 408.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    static constexpr std::size_t kMaxHeadBytes = 8 * 1024;
    static constexpr std::size_t kMaxQueryBytes = 4 * 1024;
    static constexpr std::size_t kMaxUploadBytes = UploadReceiver::kMaxSampleBytes + 64 * 1024;

    HttpSession(boost::asio::ip::tcp::socket socket, PeerLimiter::Ticket ticket, const HttpContext& context);

    void start();

private:
    enum class Phase { Idle, Request, Writing, Lingering };

    void arm(std::chrono::seconds limit, Phase phase);
    void on_deadline();

    void wait_for_request();
    void read_head();
    void on_head(boost::beast::error_code ec);
    void go_ahead(void (HttpSession::*next)());
    void read_small_body();
    void on_small_body(boost::beast::error_code ec);
    void start_upload();
    void read_upload();
    void on_upload_piece(boost::beast::error_code ec);
    void after_upload_piece(std::optional<HttpAnswer> result);
    void failed_read(boost::beast::error_code ec);
    std::uint64_t body_limit() const;
    void too_large();

    void answer(const HttpAnswer& result, bool keep_alive);
    void on_write(boost::beast::error_code ec);
    void linger();
    void drain();
    void close();

    boost::asio::ip::tcp::socket socket_;
    boost::asio::steady_timer deadline_;
    unsigned deadline_generation_ = 0;
    Phase phase_ = Phase::Idle;
    bool timed_out_ = false;
    PeerLimiter::Ticket ticket_;
    const HttpContext& context_;
    std::string peer_;

    boost::beast::flat_buffer buffer_;
    std::optional<boost::beast::http::request_parser<boost::beast::http::empty_body>> head_;
    std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> small_;
    std::optional<boost::beast::http::request_parser<boost::beast::http::buffer_body>> upload_;
    std::unique_ptr<UploadReceiver> receiver_;
    std::vector<char> piece_;
    HttpRoutes::Route route_ = HttpRoutes::Route::NotFound;
    std::string method_ = "-";
    std::string target_ = "-";
    unsigned version_ = 11;
    bool keep_alive_ = false;

    boost::beast::http::response<boost::beast::http::empty_body> continue_;
    boost::beast::http::response<boost::beast::http::string_body> response_;
    std::unique_ptr<std::array<char, 4096>> discard_;
};

// Answers 503 on a connection the port has no place for and closes it, at
// once and without reading: a flood of connections must not cost more.
void refuse_http(boost::asio::ip::tcp::socket socket, const std::string& why);

} // namespace nimbixd
