// A serialized HashResponse from a peer -> verdict map.
#include "Nimbix.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {
int argc = 1;
char name[] = "hash_response_fuzz";
char* argv[] = {name, nullptr};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Cloud::Nimbix nimbix;
    Cloud::VerdictMap map{{QStringLiteral("kept"), {QString(), Cloud::FILE_SAFETY}}};
    try {
        nimbix.parse_hash_response_packet(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), &map);
    } catch (const std::runtime_error&) {
        if (map.size() != 1)
            std::abort();
    }
    for (const auto& record : map)
        if (record.second < Cloud::FILE_DANGEROUS || record.second > Cloud::FILE_WAIT_FOR_SCAN)
            std::abort();
    return 0;
}
