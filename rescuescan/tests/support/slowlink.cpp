#include "slowlink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void noDelay(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool sendAll(int fd, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t sent = send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

} // namespace

SlowLink::SlowLink(std::uint16_t upstreamPort, int delayMs)
    : upstream(upstreamPort)
    , delay(delayMs)
{
    listenFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listenFd < 0 || bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(listenFd, 64) != 0
        || getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("slow link: cannot listen on loopback");
    port = ntohs(address.sin_port);
    acceptor = std::thread(&SlowLink::acceptLoop, this);
}

SlowLink::~SlowLink()
{
    stopping = true;
    shutdown(listenFd, SHUT_RDWR);
    acceptor.join();
    for (std::thread& relayThread : relays)
        relayThread.join();
    close(listenFd);
}

std::string SlowLink::address() const
{
    return "127.0.0.1:" + std::to_string(port);
}

void SlowLink::acceptLoop()
{
    for (;;) {
        const int client = accept(listenFd, nullptr, nullptr);
        if (client < 0 || stopping) {
            if (client >= 0)
                close(client);
            return;
        }
        relays.emplace_back(&SlowLink::relay, this, client);
    }
}

void SlowLink::relay(int client)
{
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(upstream);
    if (server < 0 || connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(client);
        if (server >= 0)
            close(server);
        return;
    }
    noDelay(client);
    noDelay(server);
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    char buffer[65536];
    while (!stopping) {
        if (poll(fds, 2, 100) < 0)
            break;
        bool open = true;
        for (int side = 0; side < 2 && open; ++side) {
            if (!(fds[side].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t got = recv(fds[side].fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                open = false;
                break;
            }
            if (side == 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            open = sendAll(fds[1 - side].fd, buffer, got);
        }
        if (!open)
            break;
    }
    close(client);
    close(server);
}
