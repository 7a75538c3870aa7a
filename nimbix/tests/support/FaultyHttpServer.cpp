#include "FaultyHttpServer.h"

#include <arpa/inet.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string head(int code, const char* reason, std::size_t length)
{
    return "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\nContent-Type: application/json\r\n"
        + "Content-Length: " + std::to_string(length) + "\r\n\r\n";
}

std::size_t content_length(const std::string& head)
{
    std::size_t pos = 0;
    while ((pos = head.find("\r\n", pos)) != std::string::npos) {
        pos += 2;
        static const char name[] = "content-length:";
        if (::strncasecmp(head.c_str() + pos, name, sizeof name - 1) == 0)
            return std::strtoul(head.c_str() + pos + sizeof name - 1, nullptr, 10);
    }
    return 0;
}

} // namespace

FaultyHttpServer::Reply FaultyHttpServer::status(int code, const std::string& body)
{
    const char* reason = code == 404 ? "Not Found" : code == 500 ? "Internal Server Error" : "Status";
    return {head(code, reason, body.size()) + body};
}

FaultyHttpServer::Reply FaultyHttpServer::json(const std::string& body)
{
    return {head(200, "OK", body.size()) + body};
}

FaultyHttpServer::Reply FaultyHttpServer::noStatusLine()
{
    return {std::string(), 0, true};
}

FaultyHttpServer::Reply FaultyHttpServer::cutBody(const std::string& partial, int announced)
{
    return {head(200, "OK", static_cast<std::size_t>(announced)) + partial, 0, true};
}

FaultyHttpServer::FaultyHttpServer(std::vector<Reply> replies)
    : replies_(std::move(replies))
{
    if (replies_.empty())
        throw std::invalid_argument("FaultyHttpServer needs at least one reply");
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listenFd_, 16) != 0
        || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("FaultyHttpServer cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    acceptor_ = std::thread(&FaultyHttpServer::acceptLoop, this);
}

FaultyHttpServer::~FaultyHttpServer()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
    acceptor_.join();
    for (std::thread& thread : threads_)
        thread.join();
    ::close(listenFd_);
    ::close(wakeFd_);
}

std::string FaultyHttpServer::address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> FaultyHttpServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

bool FaultyHttpServer::waitReadable(int fd, int timeoutMs) const
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    return ::poll(fds, 2, timeoutMs) > 0 && (fds[1].revents & POLLIN) == 0
        && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

bool FaultyHttpServer::stopRequested(int timeoutMs) const
{
    pollfd wake{wakeFd_, POLLIN, 0};
    return ::poll(&wake, 1, timeoutMs) > 0;
}

void FaultyHttpServer::acceptLoop()
{
    for (;;) {
        if (!waitReadable(listenFd_, -1))
            return;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ++accepted_;
        threads_.emplace_back(&FaultyHttpServer::serve, this, fd);
    }
}

void FaultyHttpServer::serve(int fd)
{
    std::string buffer;
    char chunk[4096];
    for (;;) {
        // One request: the head up to the blank line, then Content-Length bytes.
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos
               || buffer.size() < end + 4 + content_length(buffer.substr(0, end + 2))) {
            if (!waitReadable(fd, -1))
                break;
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        if (end == std::string::npos
            || buffer.size() < end + 4 + content_length(buffer.substr(0, end + 2)))
            break;
        const std::size_t size = end + 4 + content_length(buffer.substr(0, end + 2));
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(buffer.substr(0, size));
        }
        buffer.erase(0, size);

        const std::size_t index = served_++;
        const Reply& reply = replies_[std::min(index, replies_.size() - 1)];
        if (reply.delayMs > 0 && stopRequested(reply.delayMs))
            break;
        if (!reply.bytes.empty()
            && ::send(fd, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL) < 0)
            break;
        if (reply.close)
            break;
        if (reply.holdOpen) {
            // Stay silent until the client gives up or the test ends.
            while (waitReadable(fd, -1) && ::recv(fd, chunk, sizeof chunk, 0) > 0) {
            }
            break;
        }
    }
    ::close(fd);
}
