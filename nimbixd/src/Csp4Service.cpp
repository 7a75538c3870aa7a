#include "Csp4Service.h"

#include "Csp4Session.h"

#include <cstdio>
#include <memory>

namespace nimbixd {

namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

constexpr unsigned kThreads = 2;

} // namespace

Csp4Service::Csp4Service(const HashDatabase& database, const ConnectionLimits& limits, bool verbose)
    : database_(database)
    , limits_(limits)
    , verbose_(verbose)
    , limiter_(limits.total, limits.per_peer)
    , listener_(
          io_, limiter_,
          [this](tcp::socket socket, PeerLimiter::Ticket ticket) {
              std::make_shared<Csp4Session>(std::move(socket), std::move(ticket), *this)->start();
          },
          [this](tcp::socket socket, PeerLimiter::Refusal why) {
              if (verbose_) {
                  boost::system::error_code ignored;
                  std::fprintf(stderr, "nimbixd: csp4 %s: %s, closing\n",
                               socket.remote_endpoint(ignored).address().to_string().c_str(),
                               why == PeerLimiter::Refusal::Full ? "too many connections"
                                                                 : "too many connections from this address");
              }
          })
{
}

Csp4Service::~Csp4Service()
{
    stop();
}

std::uint16_t Csp4Service::bind(const Endpoint& endpoint)
{
    return listener_.bind(endpoint, "csp4");
}

void Csp4Service::start()
{
    listener_.start();
    for (unsigned i = 0; i < kThreads; ++i)
        threads_.emplace_back([this] { io_.run(); });
}

void Csp4Service::stop()
{
    io_.stop();
    for (std::thread& thread : threads_)
        thread.join();
    threads_.clear();
}


} // namespace nimbixd
