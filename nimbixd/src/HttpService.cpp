#include "HttpService.h"

#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <vector>

namespace nimbixd {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

// The largest sample the upload form announces (MAX_FILE_SIZE) plus room for
// the form around it; queries are far smaller.
constexpr std::uint64_t kMaxBodyBytes = 10485760 + 64 * 1024;
constexpr std::uint32_t kMaxHeadBytes = 8 * 1024;
constexpr auto kIdleTimeout = std::chrono::seconds(30);
constexpr auto kLingerTime = std::chrono::seconds(2);
constexpr unsigned kThreads = 4;

std::string_view view(beast::string_view text)
{
    return {text.data(), text.size()};
}

// One client connection: requests are read and answered one after the other.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, const HttpRoutes& routes, bool verbose)
        : stream_(std::move(socket))
        , routes_(routes)
        , verbose_(verbose)
    {
        beast::error_code ignored;
        // Without TCP_NODELAY a keep-alive exchange waits for the peer's
        // delayed ACK: about 40 ms per request.
        stream_.socket().set_option(tcp::no_delay(true), ignored);
        const auto peer = stream_.socket().remote_endpoint(ignored);
        peer_ = peer.address().to_string() + ":" + std::to_string(peer.port());
    }

    void read()
    {
        parser_.emplace();
        parser_->body_limit(kMaxBodyBytes);
        parser_->header_limit(kMaxHeadBytes);
        stream_.expires_after(kIdleTimeout);
        http::async_read_header(stream_, buffer_, *parser_,
                                beast::bind_front_handler(&Session::on_header, shared_from_this()));
    }

private:
    // Clients such as curl announce larger bodies with "Expect: 100-continue"
    // and wait a second for the go-ahead before they send them.
    void on_header(beast::error_code ec, std::size_t)
    {
        if (ec)
            return on_read(ec, 0);
        if (!beast::iequals(parser_->get()[http::field::expect], "100-continue"))
            return read_body();
        continue_ = {http::status::continue_, 11};
        http::async_write(stream_, continue_, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error)
                return self->close();
            self->read_body();
        });
    }

    void read_body()
    {
        http::async_read(stream_, buffer_, *parser_, beast::bind_front_handler(&Session::on_read, shared_from_this()));
    }

    void on_read(beast::error_code ec, std::size_t)
    {
        if (ec == http::error::body_limit)
            return answer(HttpRoutes::error(413, "request body larger than " + std::to_string(kMaxBodyBytes)
                                                     + " bytes"),
                          11, false, "-", "-");
        if (ec == http::error::header_limit)
            return answer(HttpRoutes::error(431, "request head larger than " + std::to_string(kMaxHeadBytes)
                                                     + " bytes"),
                          11, false, "-", "-");
        if (ec && ec.category() == http::make_error_code(http::error::bad_target).category()
            && ec != http::error::end_of_stream
            && ec != http::error::partial_message)
            return answer(HttpRoutes::error(400, "malformed request: " + ec.message()), 11, false, "-", "-");
        if (ec)
            return close();

        const auto& request = parser_->get();
        const HttpAnswer result = routes_.handle(view(request.method_string()), view(request.target()),
                                                 view(request[http::field::content_type]), request.body());
        answer(result, request.version(), request.keep_alive(), std::string(request.method_string()),
               std::string(request.target()));
    }

    void answer(const HttpAnswer& result, unsigned version, bool keep_alive, const std::string& method,
                const std::string& target)
    {
        if (verbose_)
            std::fprintf(stderr, "nimbixd: %s %s %s %d\n", peer_.c_str(), method.c_str(), target.c_str(),
                         result.status);
        response_ = {};
        response_.version(version);
        response_.result(static_cast<unsigned>(result.status));
        if (!result.content_type.empty())
            response_.set(http::field::content_type, result.content_type);
        response_.body() = result.body;
        response_.keep_alive(keep_alive);
        response_.prepare_payload();
        // Head and body leave in one gathered write.
        http::async_write(stream_, response_, beast::bind_front_handler(&Session::on_write, shared_from_this()));
    }

    void on_write(beast::error_code ec, std::size_t)
    {
        if (ec)
            return close();
        if (!response_.keep_alive())
            return linger();
        read();
    }

    // Closing with unread request bytes would make the kernel reset the
    // connection and could destroy the answer before the client reads it
    // (a 413 while the client still sends its body). Send FIN instead and
    // discard what still arrives, for a short while.
    void linger()
    {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(kLingerTime);
        drain();
    }

    void drain()
    {
        stream_.async_read_some(asio::buffer(discard_), [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec)
                return self->close();
            self->drain();
        });
    }

    void close()
    {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::empty_body> continue_;
    http::response<http::string_body> response_;
    const HttpRoutes& routes_;
    const bool verbose_;
    std::string peer_;
    std::array<char, 16384> discard_;
};

} // namespace

HttpService::HttpService(const HttpRoutes& routes, bool verbose)
    : routes_(routes)
    , verbose_(verbose)
    , acceptor_(io_)
    , retry_(io_)
{
}

std::uint16_t HttpService::bind(const Endpoint& endpoint)
{
    beast::error_code ec;
    tcp::resolver resolver(io_);
    const auto results = resolver.resolve(endpoint.host, std::to_string(endpoint.port),
                                          tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec)
        throw std::runtime_error("cannot listen on " + to_string(endpoint) + ": " + ec.message());
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
    throw std::runtime_error("cannot listen on " + to_string(endpoint) + ": " + ec.message());
}

void HttpService::accept()
{
    acceptor_.async_accept(asio::make_strand(io_), [this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted)
            return;
        if (!ec) {
            std::make_shared<Session>(std::move(socket), routes_, verbose_)->read();
            return accept();
        }
        // Out of descriptors or memory: try again a little later instead
        // of spinning.
        retry_.expires_after(std::chrono::milliseconds(100));
        retry_.async_wait([this](beast::error_code) { accept(); });
    });
}

void HttpService::serve()
{
    accept();
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < kThreads; ++i)
        threads.emplace_back([this] { io_.run(); });
    io_.run();
    for (std::thread& thread : threads)
        thread.join();
}

void HttpService::stop()
{
    io_.stop();
}

} // namespace nimbixd
