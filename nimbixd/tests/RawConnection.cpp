#include "RawConnection.h"

#include <arpa/inet.h>
#include <algorithm>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

RawConnection::RawConnection(std::uint16_t port, const char* from)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &source.sin_addr);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0
        || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
}

RawConnection::~RawConnection()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool RawConnection::send(const std::string& bytes)
{
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return fd_ >= 0;
}

std::string RawConnection::receive(std::size_t count, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fd_ >= 0 && !closed_ && buffer_.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0)
            break;
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            closed_ = true;
            break;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    const std::string out = buffer_.substr(0, count);
    buffer_.erase(0, out.size());
    return out;
}

std::pair<int, std::string> RawConnection::response(int timeoutMs)
{
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos) {
        const std::string byte = receive(1, timeoutMs);
        if (byte.empty())
            return {0, head};
        head += byte;
    }
    std::size_t length = 0;
    const auto at = head.find("Content-Length: ");
    if (at != std::string::npos)
        length = std::stoul(head.substr(at + 16));
    return {std::stoi(head.substr(9, 3)), receive(length, timeoutMs)};
}

bool RawConnection::closedByPeer(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        buffer_.clear();
        receive(1 << 20, static_cast<int>(std::clamp<long long>(left.count(), 0, 100)));
        if (closed_ || left.count() <= 0)
            return closed_;
    }
}
