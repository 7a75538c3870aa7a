#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback HTTP server that answers with exactly the bytes a test gives
// it, for the failure paths a real service rarely shows: error statuses, no
// status line, a body cut off, an answer that is not JSON. It records every
// request (head and body) it receives.
class FaultyHttpServer {
public:
    struct Reply {
        std::string bytes;    // written as they are, in one write
        int delayMs = 0;      // wait this long before writing
        bool holdOpen = false;  // after writing, keep the connection open and silent
        bool close = false;     // after writing, close the connection
    };

    // Ready-made misbehaviours.
    static Reply status(int code, const std::string& body);  // complete answer with that status
    static Reply json(const std::string& body);               // 200 with that body
    static Reply noStatusLine();                               // reads, never answers
    static Reply cutBody(const std::string& partial, int announced);  // 200, fewer bytes than announced

    // Request n gets replies[n], the last one repeats. Listens on 127.0.0.1
    // at a free port.
    explicit FaultyHttpServer(std::vector<Reply> replies);
    ~FaultyHttpServer();
    FaultyHttpServer(const FaultyHttpServer&) = delete;
    FaultyHttpServer& operator=(const FaultyHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "127.0.0.1:PORT", the form NIMBIX_SERVER takes.
    std::string address() const;
    std::vector<std::string> requests() const;
    // Connections accepted so far.
    std::size_t connections() const { return accepted_; }

private:
    void acceptLoop();
    void serve(int fd);
    bool waitReadable(int fd, int timeoutMs) const;
    bool stopRequested(int timeoutMs) const;

    std::vector<Reply> replies_;
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<std::size_t> served_{0};
    std::atomic<std::size_t> accepted_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};
