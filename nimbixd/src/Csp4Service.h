#pragma once

#include "Endpoint.h"
#include "HashDatabase.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace nimbixd {

// The CSP4 framed protocol on its own TCP port: each frame holding a
// HashQuery is answered with a frame holding a HashResponse, on keep-alive
// connections. A frame that breaks the framing ends its connection.
class Csp4Service {
public:
    Csp4Service(const HashDatabase& database, bool verbose);
    ~Csp4Service();
    Csp4Service(const Csp4Service&) = delete;
    Csp4Service& operator=(const Csp4Service&) = delete;

    // Binds and listens; returns the bound port. Throws std::runtime_error.
    std::uint16_t bind(const Endpoint& endpoint);
    void start();
    // Closes the listener and every connection and waits for their threads.
    void stop();

    // Answer frame for the container (type and body) of one request frame:
    // KEEP_ALIVE is echoed, a HashQuery answered, anything else gets a
    // HashResponse with STATUS_ERROR.
    std::string answer(int type, const std::string& body) const;

private:
    void accept_loop();
    void serve(int fd, std::string peer);
    bool read_exact(int fd, char* data, std::size_t size) const;

    const HashDatabase& database_;
    const bool verbose_;
    int listen_fd_ = -1;
    int wake_fd_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::set<int> connections_;
};

} // namespace nimbixd
