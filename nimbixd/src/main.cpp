#include "Csp4Service.h"
#include "HashDatabase.h"
#include "HttpRoutes.h"
#include "HttpService.h"
#include "Options.h"
#include "SampleStore.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

using namespace nimbixd;

namespace {

HashDatabase load_databases(const Options& options)
{
    HashDatabase database;
    for (const std::string& path : options.hash_dbs)
        database.load_signatures(path);
    for (const std::string& path : options.queue_dbs)
        database.load_queue(path);
    return database;
}

// Every connection is a descriptor: the connection limits, not a low default
// of the system, should say how many clients the service serves.
void raise_descriptor_limit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

sigset_t stop_signals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

int run(const Options& options)
{
    const HashDatabase database = load_databases(options);

    // Every thread started from here on inherits the blocked stop signals,
    // so only the waiter below receives them.
    const sigset_t signals = stop_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    raise_descriptor_limit();
    std::optional<SampleStore> samples;
    if (options.samples)
        samples.emplace(*options.samples, options.quota);
    const HttpRoutes routes(database, samples ? &*samples : nullptr);
    HttpService http(routes, options.limits, options.verbose);
    Csp4Service csp4(database, options.limits, options.verbose);

    Endpoint http_endpoint = options.listen;
    http_endpoint.port = http.bind(options.listen);
    if (options.csp4) {
        Endpoint csp4_endpoint = *options.csp4;
        csp4_endpoint.port = csp4.bind(*options.csp4);
        csp4.start();
        std::printf("nimbixd: csp4 listening on %s\n", to_string(csp4_endpoint).c_str());
    }
    std::printf("nimbixd: listening on %s\n", to_string(http_endpoint).c_str());
    std::fflush(stdout);

    std::thread waiter([&http, signals] {
        int received = 0;
        sigwait(&signals, &received);
        http.stop();
    });
    http.serve();
    waiter.join();
    csp4.stop();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    try {
        options = parse_options(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "nimbixd: %s\n%s", e.what(), usage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nimbixd: %s\n", e.what());
        return 1;
    }
}
