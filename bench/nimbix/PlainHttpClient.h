#pragma once

#include <cstdint>
#include <string>

// The peer of the benchmark: the least an HTTP/1.1 client can do for a
// digest query. One keep-alive connection with TCP_NODELAY, each request in
// one write, the answer read by its Content-Length.
class PlainHttpClient {
public:
    explicit PlainHttpClient(std::uint16_t port);
    ~PlainHttpClient();
    PlainHttpClient(const PlainHttpClient&) = delete;
    PlainHttpClient& operator=(const PlainHttpClient&) = delete;

    // Posts md5=<hex> and returns the answer body. Throws std::runtime_error.
    std::string query(const std::string& hex);

private:
    int fd_ = -1;
    std::string buffer_;
};
