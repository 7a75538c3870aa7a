// Lookup rate of libNimbix against nimbixd on loopback, and the same
// requests from a plain keep-alive client in the same run.
//
//   nimbix_bench [--count N]      (default 100000 lookups per measurement)
#include "Nimbix.h"
#include "NimbixdProcess.h"
#include "PlainHttpClient.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <set>
#include <sys/resource.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

QByteArray digest(long i)
{
    return QCryptographicHash::hash(QByteArray::number(static_cast<qlonglong>(i)), QCryptographicHash::Md5);
}

long rss_kib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

// Loopback TCP connections, in any state, between this machine and port:
// how many connections the client side has opened recently.
std::size_t connections_to(quint16 port)
{
    std::set<std::string> seen;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray remote = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
        for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 2 && fields[2].endsWith(remote))
                seen.insert(fields[1].toStdString());
        }
    }
    return seen.size();
}

double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The figures depend on what else the machine runs; say so next to them.
std::string load_average()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "unknown";
    return file.readLine().split(' ').mid(0, 3).join(' ').toStdString();
}

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    long count = 100000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: %s [--count N]\n", argv[0]);
            return 2;
        }
    }
    if (count < 100) {
        std::fprintf(stderr, "nimbix_bench: --count must be at least 100\n");
        return 2;
    }

    try {
        // Every tenth digest is listed, so both verdicts are exercised.
        QStringList signatures;
        for (long i = 0; i < 100000; i += 10)
            signatures << QString::fromLatin1(digest(i).toHex()) + QStringLiteral(":1:Bench.Listed.%1").arg(i);
        NimbixdProcess service;
        service.start(signatures);
        ScopedNimbixServer env(service.address());
        std::printf("nimbixd on %s, %lld signatures; %ld lookups per measurement\n",
                    qPrintable(service.address()), static_cast<long long>(signatures.size()), count);

        Cloud::Nimbix nimbix;
        long dangerous = 0;
        for (long i = 0; i < 1000; ++i)
            dangerous += nimbix.query_hash(digest(i)).second == Cloud::FILE_DANGEROUS;
        const std::size_t connectionsBefore = connections_to(service.port());
        const long rssBefore = rss_kib();

        const std::string loadBefore = load_average();
        const double cpuBefore = cpu_seconds();
        auto start = Clock::now();
        for (long i = 0; i < count; ++i) {
            dangerous += nimbix.query_hash(digest(i)).second == Cloud::FILE_DANGEROUS;
            if ((i + 1) % (count / 5) == 0)
                std::printf("  after %7ld lookups: RSS %ld KiB\n", i + 1, rss_kib());
        }
        const double nimbixSeconds = seconds_since(start);
        const double cpuPerLookup = (cpu_seconds() - cpuBefore) / static_cast<double>(count);
        const long rssAfter = rss_kib();
        const std::size_t connectionsAfter = connections_to(service.port());
        const double nimbixRate = static_cast<double>(count) / nimbixSeconds;

        PlainHttpClient plain(service.port());
        start = Clock::now();
        long plainDangerous = 0;
        for (long i = 0; i < count; ++i)
            plainDangerous += plain.query(digest(i).toHex().toStdString()).find("\"level\":2") != std::string::npos;
        const double plainRate = static_cast<double>(count) / seconds_since(start);

        const int clients = 4;
        start = Clock::now();
        std::vector<std::thread> threads;
        std::exception_ptr failure;
        for (int c = 0; c < clients; ++c)
            threads.emplace_back([&, c] {
                try {
                    PlainHttpClient client(service.port());
                    for (long i = c; i < count; i += clients)
                        client.query(digest(i).toHex().toStdString());
                } catch (...) {
                    failure = std::current_exception();
                }
            });
        for (std::thread& t : threads)
            t.join();
        if (failure)
            std::rethrow_exception(failure);
        const double concurrentRate = static_cast<double>(count) / seconds_since(start);

        std::printf("query_hash, sequential:           %9.0f lookups/s (%ld in %.2f s, %ld dangerous)\n",
                    nimbixRate, count, nimbixSeconds, dangerous);
        std::printf("query_hash CPU per lookup:        %9.0f us (this process, all its threads)\n",
                    cpuPerLookup * 1e6);
        std::printf("plain keep-alive client:          %9.0f lookups/s (%ld dangerous)\n", plainRate,
                    plainDangerous);
        std::printf("ratio query_hash / plain client:  %9.2f\n", nimbixRate / plainRate);
        std::printf("connections opened by query_hash: %9zu during the %ld lookups\n",
                    connectionsAfter - std::min(connectionsAfter, connectionsBefore), count);
        std::printf("RSS before / after:               %9ld KiB / %ld KiB (%+ld KiB)\n", rssBefore, rssAfter,
                    rssAfter - rssBefore);
        std::printf("nimbixd, %d concurrent clients:    %9.0f lookups/s\n", clients, concurrentRate);
        std::printf("machine load average before / after: %s / %s\n", loadBefore.c_str(), load_average().c_str());
        std::printf("goal: at least 2500 lookups/s sequential: %s\n", nimbixRate >= 2500 ? "met" : "NOT met");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nimbix_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
