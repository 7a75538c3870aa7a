#include "Csp4Service.h"

#include "HashProtocol.pb.h"
#include "Hex.h"
#include "MessageContainer.pb.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nimbixd {

namespace {

constexpr std::uint32_t kMaxFrameLength = 16u * 1024u * 1024u;
constexpr std::size_t kMaxConnections = 64;
constexpr int kIdleTimeoutMs = 60000;

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

std::string peer_name(const sockaddr_storage& address)
{
    char host[NI_MAXHOST] = "?";
    char port[NI_MAXSERV] = "?";
    getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                port, sizeof port, NI_NUMERICHOST | NI_NUMERICSERV);
    return std::string(host) + ":" + port;
}

bool send_all(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

Csp4Service::Csp4Service(const HashDatabase& database, bool verbose)
    : database_(database)
    , verbose_(verbose)
{
}

Csp4Service::~Csp4Service()
{
    stop();
    if (listen_fd_ >= 0)
        ::close(listen_fd_);
    if (wake_fd_ >= 0)
        ::close(wake_fd_);
}

std::uint16_t Csp4Service::bind(const Endpoint& endpoint)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(endpoint.port);
    if (const int rc = getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, &found); rc != 0)
        throw std::runtime_error("csp4 " + to_string(endpoint) + ": " + gai_strerror(rc));

    std::string error = "no address";
    for (addrinfo* a = found; a != nullptr && listen_fd_ < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 64) == 0) {
            listen_fd_ = fd;
        } else {
            error = std::strerror(errno);
            ::close(fd);
        }
    }
    freeaddrinfo(found);
    if (listen_fd_ < 0)
        throw std::runtime_error("csp4 " + to_string(endpoint) + ": " + error);

    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&bound), &length);
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC);
    if (wake_fd_ < 0)
        throw std::runtime_error(std::string("csp4: eventfd: ") + std::strerror(errno));
    return bound.ss_family == AF_INET6
        ? ntohs(reinterpret_cast<const sockaddr_in6&>(bound).sin6_port)
        : ntohs(reinterpret_cast<const sockaddr_in&>(bound).sin_port);
}

void Csp4Service::start()
{
    acceptor_ = std::thread(&Csp4Service::accept_loop, this);
}

void Csp4Service::stop()
{
    if (!acceptor_.joinable())
        return;
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_fd_, &one, sizeof one);
    acceptor_.join();
    std::unique_lock lock(mutex_);
    for (int fd : connections_)
        ::shutdown(fd, SHUT_RDWR);
    idle_.wait(lock, [this] { return connections_.empty(); });
}

void Csp4Service::accept_loop()
{
    while (!stopping_) {
        pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0)
            continue;
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::lock_guard lock(mutex_);
        if (connections_.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        connections_.insert(fd);
        std::thread(&Csp4Service::serve, this, fd, peer_name(peer)).detach();
    }
}

bool Csp4Service::read_exact(int fd, char* data, std::size_t size) const
{
    std::size_t done = 0;
    while (done < size) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kIdleTimeoutMs) <= 0)
            return false;
        const ssize_t n = ::recv(fd, data + done, size - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Csp4Service::serve(int fd, std::string peer)
{
    for (;;) {
        unsigned char header[8];
        if (!read_exact(fd, reinterpret_cast<char*>(header), sizeof header))
            break;
        if (std::memcmp(header, "CSP4", 4) != 0) {
            if (verbose_)
                std::fprintf(stderr, "nimbixd: csp4 %s: invalid protocol, closing\n", peer.c_str());
            break;
        }
        const std::uint32_t length = header[4] | header[5] << 8 | header[6] << 16
            | static_cast<std::uint32_t>(header[7]) << 24;
        if (length > kMaxFrameLength) {
            if (verbose_)
                std::fprintf(stderr, "nimbixd: csp4 %s: frame of %u bytes exceeds the limit, closing\n",
                             peer.c_str(), length);
            break;
        }
        std::string payload(length, '\0');
        if (!read_exact(fd, payload.data(), length))
            break;
        MessageContainer container;
        if (!container.ParsePartialFromString(payload) || !container.IsInitialized()
            || container.version() != 1) {
            if (verbose_)
                std::fprintf(stderr, "nimbixd: csp4 %s: malformed container, closing\n", peer.c_str());
            break;
        }
        const std::string reply = answer(container.type_id(), container.body());
        if (verbose_)
            std::fprintf(stderr, "nimbixd: csp4 %s %s\n", peer.c_str(),
                         MessageContainer::MessageType_Name(container.type_id()).c_str());
        if (!send_all(fd, reply))
            break;
    }
    ::close(fd);
    std::lock_guard lock(mutex_);
    connections_.erase(fd);
    idle_.notify_all();
}

std::string Csp4Service::answer(int type, const std::string& body) const
{
    if (type == MessageContainer::KEEP_ALIVE)
        return frame(MessageContainer::KEEP_ALIVE, {});
    const auto reply_type = static_cast<MessageContainer::MessageType>(type);
    if (type != MessageContainer::QUERY_HASH)
        return frame(reply_type, error_response());

    HashQuery query;
    if (!query.ParsePartialFromString(body) || !query.IsInitialized() || query.version() != 1)
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
