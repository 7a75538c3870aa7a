#include "HttpService.h"

#include <memory>
#include <thread>
#include <vector>

namespace nimbixd {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {

constexpr unsigned kThreads = 4;
constexpr unsigned kDiskThreads = 2;

} // namespace

HttpService::HttpService(const HttpRoutes& routes, const ConnectionLimits& limits, bool verbose)
    : limits_(limits)
    , limiter_(limits.total, limits.per_peer)
    , disk_(kDiskThreads)
    , context_{routes, limits_, disk_, verbose}
    , listener_(
          io_, limiter_,
          [this](tcp::socket socket, PeerLimiter::Ticket ticket) {
              std::make_shared<HttpSession>(std::move(socket), std::move(ticket), context_)->start();
          },
          [](tcp::socket socket, PeerLimiter::Refusal why) {
              refuse_http(std::move(socket), why == PeerLimiter::Refusal::Full
                                                 ? "too many connections"
                                                 : "too many connections from your address");
          })
{
}

HttpService::~HttpService()
{
    disk_.join();
}

std::uint16_t HttpService::bind(const Endpoint& endpoint)
{
    return listener_.bind(endpoint, "cannot listen on");
}

void HttpService::serve()
{
    listener_.start();
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
    disk_.stop();
}

} // namespace nimbixd
