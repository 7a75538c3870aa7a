#include "PlainHttpClient.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

PlainHttpClient::PlainHttpClient(std::uint16_t port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("plain client cannot connect");
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

PlainHttpClient::~PlainHttpClient()
{
    ::close(fd_);
}

std::string PlainHttpClient::query(const std::string& hex)
{
    const std::string body = "md5=" + hex;
    const std::string request = "POST /interface/cloud/query HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                "Content-Type: application/x-www-form-urlencoded\r\n"
                                "Content-Length: "
        + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        throw std::runtime_error("plain client: send failed");

    char chunk[4096];
    std::size_t end;
    while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            throw std::runtime_error("plain client: connection closed");
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    const auto at = buffer_.find("Content-Length: ");
    if (at == std::string::npos || at > end)
        throw std::runtime_error("plain client: answer without Content-Length");
    const std::size_t total = end + 4 + std::strtoul(buffer_.c_str() + at + 16, nullptr, 10);
    while (buffer_.size() < total) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            throw std::runtime_error("plain client: connection closed");
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    std::string answer = buffer_.substr(end + 4, total - end - 4);
    buffer_.erase(0, total);
    return answer;
}
