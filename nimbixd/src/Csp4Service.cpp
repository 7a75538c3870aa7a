#include "Csp4Service.h"

#include "Csp4Session.h"
#include "HashProtocol.pb.h"
#include "Hex.h"
#include "MessageContainer.pb.h"

#include <cstdio>
#include <memory>

namespace nimbixd {

namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

constexpr unsigned kThreads = 2;

std::string frame(MessageContainer::MessageType type, const std::string& inner)
{
    MessageContainer container;
    container.set_type_id(type);
    container.set_version(1);
    if (!inner.empty())
        container.set_body(inner);
    const std::string serialized = container.SerializeAsString();
    const auto size = static_cast<std::uint32_t>(serialized.size());
    std::string out = "CSP4";
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((size >> shift) & 0xff));
    return out + serialized;
}

std::string error_response()
{
    HashResponse response;
    response.set_version(1);
    response.set_status(HashResponse::STATUS_ERROR);
    return response.SerializeAsString();
}

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

std::string Csp4Service::answer(int type, const std::string& body) const
{
    if (type == MessageContainer::KEEP_ALIVE)
        return frame(MessageContainer::KEEP_ALIVE, {});
    const auto reply_type = static_cast<MessageContainer::MessageType>(type);
    if (type != MessageContainer::QUERY_HASH)
        return frame(reply_type, error_response());

    HashQuery query;
    if (!query.ParsePartialFromString(body) || !query.IsInitialized() || query.version() != 1
        || query.hashvalues_size() > kMaxHashValues)
        return frame(reply_type, error_response());

    HashResponse response;
    response.set_version(1);
    response.set_status(HashResponse::STATUS_OK);
    for (const HashQuery::HashValue& value : query.hashvalues()) {
        HashResponse::HashResult* result = response.add_results();
        result->set_key(value.key());
        if (value.md5().size() != 16) {
            result->set_report(HashResponse::NOT_FOUND);
            continue;
        }
        const Verdict verdict = database_.lookup(hex_of(value.md5()));
        switch (verdict.kind) {
        case Verdict::Kind::Queued:
            result->set_report(HashResponse::WAIT_FOR_SCAN);
            break;
        case Verdict::Kind::Dangerous:
            result->set_report(HashResponse::DANGEROUS);
            result->set_report_name(verdict.name);
            break;
        case Verdict::Kind::Clean:
            result->set_report(HashResponse::SAFETY);
            break;
        }
    }
    return frame(reply_type, response.SerializeAsString());
}

} // namespace nimbixd
