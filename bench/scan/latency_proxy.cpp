// A loopback TCP proxy that delays every byte by a fixed time each way, so
// that a scan meets the round trip of a service on the internet.
//
//   latency_proxy TARGET_PORT DELAY_MS
//
// Listens on 127.0.0.1 at a free port, printed as "latency_proxy: listening
// on 127.0.0.1:PORT", and forwards each connection to 127.0.0.1:TARGET_PORT;
// a round trip through it takes 2 x DELAY_MS more. Runs until killed.
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// One direction of one connection: what was read, each piece with the time
// it may be written.
class Pipe {
public:
    Pipe(int from, int to, std::chrono::milliseconds delay)
        : from_(from)
        , to_(to)
        , delay_(delay)
    {
    }

    void read()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(from_, buffer, sizeof buffer, 0);
            push(n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string());
            if (n <= 0)
                return;
        }
    }

    // An empty piece ends the direction.
    void write()
    {
        for (;;) {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return !pieces_.empty(); });
            auto [due, bytes] = std::move(pieces_.front());
            pieces_.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(due);
            if (bytes.empty()) {
                ::shutdown(to_, SHUT_WR);
                return;
            }
            for (std::size_t done = 0; done < bytes.size();) {
                const ssize_t n = ::send(to_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
                if (n <= 0) {
                    ::shutdown(from_, SHUT_RD);
                    return;
                }
                done += static_cast<std::size_t>(n);
            }
        }
    }

private:
    void push(std::string bytes)
    {
        std::lock_guard lock(mutex_);
        pieces_.emplace_back(Clock::now() + delay_, std::move(bytes));
        ready_.notify_one();
    }

    const int from_;
    const int to_;
    const std::chrono::milliseconds delay_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::pair<Clock::time_point, std::string>> pieces_;
};

int connect_to(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void no_delay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void relay(int client, std::uint16_t target, std::chrono::milliseconds delay)
{
    const int server = connect_to(target);
    if (server < 0) {
        ::close(client);
        return;
    }
    no_delay(client);
    no_delay(server);
    auto up = std::make_shared<Pipe>(client, server, delay);
    auto down = std::make_shared<Pipe>(server, client, delay);
    std::thread a([up] { up->read(); });
    std::thread b([up] { up->write(); });
    std::thread c([down] { down->read(); });
    std::thread d([down] { down->write(); });
    a.join();
    b.join();
    c.join();
    d.join();
    ::close(client);
    ::close(server);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: latency_proxy TARGET_PORT DELAY_MS\n");
        return 2;
    }
    const auto target = static_cast<std::uint16_t>(std::atoi(argv[1]));
    const std::chrono::milliseconds delay(std::atoi(argv[2]));
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 64) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("latency_proxy");
        return 1;
    }
    std::printf("latency_proxy: listening on 127.0.0.1:%u\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (;;) {
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            std::thread(relay, client, target, delay).detach();
    }
}
