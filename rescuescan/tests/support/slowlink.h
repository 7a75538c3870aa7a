#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// A slow network between the program and a real lookup service: a loopback
// TCP relay that passes every byte on, holding each piece of an answer back
// for a while. With it a scan stays in progress long enough for a person's
// clicks, whatever the machine's speed.
class SlowLink {
public:
    SlowLink(std::uint16_t upstreamPort, int delayMs);
    ~SlowLink();
    SlowLink(const SlowLink&) = delete;
    SlowLink& operator=(const SlowLink&) = delete;

    // "127.0.0.1:PORT", the form NIMBIX_SERVER takes.
    std::string address() const;

private:
    void acceptLoop();
    void relay(int client);

    std::uint16_t upstream;
    int delay;
    int listenFd = -1;
    std::uint16_t port = 0;
    std::atomic<bool> stopping{false};
    std::vector<std::thread> relays;
    std::thread acceptor;
};
