#pragma once

#include <cstdint>
#include <string>
#include <utility>

// One loopback TCP connection to the service, written and read as raw bytes,
// for requests no well-behaved client would send. It can come from any
// address of 127.0.0.0/8, so that a test plays several peers.
class RawConnection {
public:
    explicit RawConnection(std::uint16_t port, const char* from = "127.0.0.1");
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return fd_ >= 0; }
    bool send(const std::string& bytes);

    // Reads until count bytes arrived, the peer closed, or timeoutMs of
    // silence.
    std::string receive(std::size_t count, int timeoutMs = 5000);

    // One HTTP response: status code (0 when none came) and body.
    std::pair<int, std::string> response(int timeoutMs = 5000);

    // Whether the peer closes the connection within timeoutMs, reading and
    // dropping whatever comes first.
    bool closedByPeer(int timeoutMs = 5000);
    // Whether a read has seen the peer close.
    bool closed() const { return closed_; }

private:
    int fd_ = -1;
    bool closed_ = false;
    std::string buffer_;
};
