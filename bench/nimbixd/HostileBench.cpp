// nimbixd under the hostile loads that once took it down or locked clients
// out: for each load, the service's resident memory before and at its peak,
// and how a normal client (another address) fares meanwhile: HTTP and CSP4
// digest queries every 200 ms, their median and slowest answer, and how
// many got none within a second. A service whose memory passes 3 GB is
// killed, so that the machine stays usable.
//
//   nimbixd_hostile_bench [OTHER_NIMBIXD]
//
// OTHER_NIMBIXD (an earlier build, say) runs the same loads after this
// build's nimbixd, with its own defaults.
#include "ProcessMemory.h"
#include "RawConnection.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const char* const kEvil = "44d88612fea8a8f36de82e1278abb02f";
constexpr std::uint64_t kKillAbove = 3ull << 30;

long long ms_since(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string varint(std::uint64_t value)
{
    std::string out;
    do {
        out.push_back(static_cast<char>((value & 0x7f) | (value > 0x7f ? 0x80 : 0)));
        value >>= 7;
    } while (value);
    return out;
}

std::string csp4_header(std::uint32_t length)
{
    std::string header = "CSP4";
    for (int shift = 0; shift < 32; shift += 8)
        header.push_back(static_cast<char>((length >> shift) & 0xff));
    return header;
}

// A HashQuery frame: one digest, then empty_values empty HashValues (two
// bytes each on the wire).
std::string csp4_query(const std::string& hex, std::size_t empty_values = 0)
{
    std::string body = "\x08\x01\x10\x01";
    if (!hex.empty()) {
        std::string raw;
        for (std::size_t i = 0; i < hex.size(); i += 2)
            raw.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        const std::string value = "\x0a" + varint(hex.size()) + hex + "\x12" + varint(raw.size()) + raw;
        body += "\x1a" + varint(value.size()) + value;
    }
    body.reserve(body.size() + 2 * empty_values);
    for (std::size_t i = 0; i < empty_values; ++i)
        body.append("\x1a\x00", 2);
    const std::string container = "\x08\x02\x10\x01\x1a" + varint(body.size()) + body;
    return csp4_header(static_cast<std::uint32_t>(container.size())) + container;
}

std::string query_request(const std::string& body, std::size_t announced)
{
    return "POST /interface/cloud/query HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: "
        + std::to_string(announced) + "\r\n\r\n" + body;
}

std::string upload_request(const std::string& sample)
{
    const std::string b = "----WebKitFormBoundaryWG34hmQbpKBINrfQ";
    const std::string body = "--" + b + "\r\nContent-Disposition: form-data; name=\"MAX_FILE_SIZE\"\r\n\r\n10485760\r\n--"
        + b + "\r\nContent-Disposition: form-data; name=\"userdata_upload\"; filename=\"s\"\r\n"
              "Content-Type: application/octet-stream\r\n\r\n"
        + sample + "\r\n--" + b + "--\r\n\r\n";
    return "POST /upfileload.php HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data;boundary=" + b
        + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One nimbixd on free loopback ports, with a sample folder.
class Service {
public:
    explicit Service(const std::string& executable)
    {
        char folder[] = "/tmp/nimbixd-bench.XXXXXX";
        dir_ = ::mkdtemp(folder);
        std::ofstream(dir_ + "/db.hdb") << kEvil << ":68:Eicar-Test-Signature\n";
        ::mkdir((dir_ + "/samples").c_str(), 0700);
        int out[2];
        if (::pipe(out) != 0)
            std::exit(1);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string db = dir_ + "/db.hdb";
        const std::string samples = dir_ + "/samples";
        std::vector<std::string> args{executable, "--listen", "127.0.0.1:0", "--csp4", "127.0.0.1:0",
                                      "--hash-db", db, "--samples", samples};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, executable.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", executable.c_str());
            std::exit(1);
        }
        ::close(out[1]);
        std::string text;
        char c;
        while (http_ == 0 && ::read(out[0], &c, 1) == 1) {
            if (c != '\n') {
                text.push_back(c);
                continue;
            }
            const auto port = static_cast<std::uint16_t>(std::stoi(text.substr(text.rfind(':') + 1)));
            (text.find("csp4") != std::string::npos ? csp4_ : http_) = port;
            text.clear();
        }
        ::close(out[0]);
    }

    ~Service()
    {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    std::uint64_t rss() const { return resident_bytes(pid_); }

    bool alive() const { return ::kill(pid_, 0) == 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
    void kill() const { ::kill(pid_, SIGKILL); }

    std::uint64_t stored_bytes() const
    {
        std::uint64_t total = 0;
        const std::string command = "du -sb '" + dir_ + "/samples' 2>/dev/null";
        if (FILE* du = ::popen(command.c_str(), "r")) {
            unsigned long long bytes = 0;
            if (std::fscanf(du, "%llu", &bytes) == 1)
                total = bytes;
            ::pclose(du);
        }
        return total;
    }

    std::uint16_t http() const { return http_; }
    std::uint16_t csp4() const { return csp4_; }

private:
    std::string dir_;
    pid_t pid_ = 0;
    std::uint16_t http_ = 0;
    std::uint16_t csp4_ = 0;
};

// A normal client's digest queries, from 127.0.0.1: milliseconds to the
// answer, -1 for none within a second.
long long http_probe(const Service& service)
{
    const auto start = Clock::now();
    RawConnection client(service.http());
    if (!client.send(query_request(std::string("md5=") + kEvil, 36)) || client.response(1000).first != 200)
        return -1;
    return ms_since(start);
}

long long csp4_probe(const Service& service)
{
    const auto start = Clock::now();
    RawConnection client(service.csp4());
    if (!client.send(csp4_query(kEvil)))
        return -1;
    const std::string header = client.receive(8, 1000);
    if (header.size() != 8 || header.compare(0, 4, "CSP4") != 0)
        return -1;
    const std::size_t length = static_cast<unsigned char>(header[4]) | static_cast<unsigned char>(header[5]) << 8;
    if (client.receive(length, 1000).size() != length)
        return -1;
    return ms_since(start);
}

struct Probes {
    std::vector<long long> answered;
    int failed = 0;

    void add(long long ms)
    {
        if (ms < 0)
            ++failed;
        else
            answered.push_back(ms);
    }

    std::string summary()
    {
        if (answered.empty())
            return "none answered (" + std::to_string(failed) + " tries)";
        std::sort(answered.begin(), answered.end());
        return std::to_string(answered[answered.size() / 2]) + " / " + std::to_string(answered.back()) + " ms, "
            + std::to_string(failed) + " of " + std::to_string(failed + answered.size()) + " unanswered";
    }
};

// Hostile connections held by a load; what it adds to the report.
struct Hold {
    std::vector<std::unique_ptr<RawConnection>> connections;
    std::string note;
};

struct Load {
    const char* name;
    std::chrono::seconds hold;
    // Opens and feeds the hostile connections; runs on its own thread and
    // checks stop now and then.
    std::function<void(const Service&, Hold&, const std::atomic<bool>& stop)> run;
};

std::string peer(int i)
{
    return "127.0.0." + std::to_string(2 + i);
}

std::size_t still_open(Hold& hold)
{
    std::size_t open = 0;
    for (auto& c : hold.connections)
        open += c->connected() && !c->closedByPeer(1);
    return open;
}

const Load kLoads[] = {
    {"csp4: 4 frames of 16 MiB of empty digests", 8s,
     [](const Service& s, Hold& hold, const std::atomic<bool>&) {
         const std::string frame = csp4_query({}, (16u << 20) / 2 - 16);
         std::vector<std::thread> senders;
         for (int i = 0; i < 4; ++i)
             hold.connections.push_back(std::make_unique<RawConnection>(s.csp4(), peer(0).c_str()));
         for (auto& c : hold.connections)
             senders.emplace_back([&c, &frame] { c->send(frame); });
         for (auto& t : senders)
             t.join();
         hold.note = std::to_string(still_open(hold)) + " of 4 still open";
     }},
    {"csp4: 60 headers announcing 16 MiB", 8s,
     [](const Service& s, Hold& hold, const std::atomic<bool>&) {
         for (int i = 0; i < 60; ++i) {
             hold.connections.push_back(std::make_unique<RawConnection>(s.csp4(), peer(0).c_str()));
             hold.connections.back()->send(csp4_header(16u << 20));
         }
         std::this_thread::sleep_for(500ms);
         hold.note = std::to_string(still_open(hold)) + " of 60 still open";
     }},
    {"csp4: 64 trickles, a byte every 2 s", 16s,
     [](const Service& s, Hold& hold, const std::atomic<bool>& stop) {
         for (int i = 0; i < 64; ++i)
             hold.connections.push_back(std::make_unique<RawConnection>(s.csp4(), peer(0).c_str()));
         const std::string frame = csp4_query(kEvil);
         const auto start = Clock::now();
         for (std::size_t byte = 0; !stop && byte < frame.size(); ++byte) {
             for (auto& c : hold.connections)
                 c->send(frame.substr(byte, 1));
             for (int i = 0; i < 20 && !stop; ++i)
                 std::this_thread::sleep_for(100ms);
         }
         hold.note = std::to_string(still_open(hold)) + " of 64 open after " + std::to_string(ms_since(start) / 1000)
             + " s";
     }},
    {"http: 100 bodies of 10.55 MB held", 8s,
     [](const Service& s, Hold& hold, const std::atomic<bool>&) {
         // Within the single 10 MiB + 64 KiB bound every route once had.
         const std::string request = query_request(std::string(10550000, 'x'), 10551000);
         std::vector<std::thread> senders;
         for (int i = 0; i < 100; ++i)
             hold.connections.push_back(std::make_unique<RawConnection>(s.http(), peer(i % 2).c_str()));
         for (int t = 0; t < 4; ++t)
             senders.emplace_back([&, t] {
                 for (std::size_t i = t; i < hold.connections.size(); i += 4)
                     hold.connections[i]->send(request);
             });
         for (auto& t : senders)
             t.join();
         hold.note = std::to_string(still_open(hold)) + " of 100 still open";
     }},
    {"http: 2,000 idle connections from 20 addresses", 8s,
     [](const Service& s, Hold& hold, const std::atomic<bool>&) {
         for (int i = 0; i < 2000; ++i)
             hold.connections.push_back(std::make_unique<RawConnection>(s.http(), peer(i % 20).c_str()));
         std::this_thread::sleep_for(500ms);
         hold.note = std::to_string(still_open(hold)) + " of 2000 still open";
     }},
    {"http: 10 MiB samples uploaded for 12 s", 12s,
     [](const Service& s, Hold& hold, const std::atomic<bool>& stop) {
         std::atomic<int> stored{0};
         std::vector<std::thread> uploaders;
         for (int u = 0; u < 4; ++u)
             uploaders.emplace_back([&, u] {
                 std::mt19937_64 random(u);
                 std::string sample(10u << 20, '\0');
                 RawConnection c(s.http(), peer(0).c_str());
                 while (!stop) {
                     for (std::size_t i = 0; i + 8 <= sample.size(); i += 4096)
                         *reinterpret_cast<std::uint64_t*>(&sample[i]) = random();
                     if (!c.send(upload_request(sample)))
                         break;
                     const auto answer = c.response(30000);
                     if (answer.first != 200)
                         break;
                     ++stored;
                 }
             });
         for (auto& t : uploaders)
             t.join();
         hold.note = std::to_string(stored) + " samples, " + std::to_string(s.stored_bytes() >> 20) + " MiB stored";
     }},
};

void run(const std::string& executable)
{
    std::printf("== %s\n", executable.c_str());
    std::printf("   %-48s %14s  %-36s %-36s %s\n", "load", "memory MB", "http answer median / slowest",
                "csp4 answer median / slowest", "hostile connections");
    for (const Load& load : kLoads) {
        Service service(executable);
        std::this_thread::sleep_for(200ms);
        http_probe(service);
        csp4_probe(service);
        const std::uint64_t before = service.rss();
        std::uint64_t peak = before;
        Hold hold;
        std::atomic<bool> stop{false};
        std::thread hostile([&] { load.run(service, hold, stop); });
        Probes http;
        Probes csp4;
        bool killed = false;
        const auto start = Clock::now();
        while (Clock::now() - start < load.hold) {
            peak = std::max(peak, service.rss());
            if (peak > kKillAbove) {
                service.kill();
                killed = true;
                break;
            }
            http.add(http_probe(service));
            csp4.add(csp4_probe(service));
            std::this_thread::sleep_for(200ms);
        }
        stop = true;
        hostile.join();
        const bool alive = !killed && service.alive();
        char memory[64];
        std::snprintf(memory, sizeof memory, "%.0f -> %.0f%s", double(before) / 1e6, double(peak) / 1e6,
                      killed ? " KILLED" : alive ? "" : " DIED");
        std::printf("   %-48s %14s  %-36s %-36s %s\n", load.name, memory, http.summary().c_str(),
                    csp4.summary().c_str(), hold.note.c_str());
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    std::signal(SIGPIPE, SIG_IGN);
    run(NIMBIXD_EXECUTABLE);
    for (int i = 1; i < argc; ++i)
        run(argv[i]);
    return 0;
}
