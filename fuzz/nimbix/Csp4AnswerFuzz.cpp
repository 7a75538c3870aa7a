// What nimbixd answers to a CSP4 frame's payload, read as its sessions read
// it: the answer is always one whole frame whose container parses, and a
// HashResponse never holds more results than a query may ask about.
#include "Csp4Answer.h"
#include "HashProtocol.pb.h"
#include "MessageContainer.pb.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const nimbixd::HashDatabase database;
    MessageContainer container;
    if (!container.ParsePartialFromArray(data, static_cast<int>(size)) || !container.IsInitialized()
        || container.version() != 1)
        return 0;
    const std::string frame = nimbixd::csp4_answer(database, container.type_id(), container.body());
    if (frame.size() < 8 || frame.compare(0, 4, "CSP4") != 0)
        std::abort();
    const std::uint32_t length = static_cast<unsigned char>(frame[4]) | static_cast<unsigned char>(frame[5]) << 8
        | static_cast<unsigned char>(frame[6]) << 16 | static_cast<std::uint32_t>(static_cast<unsigned char>(frame[7])) << 24;
    MessageContainer reply;
    if (length != frame.size() - 8 || !reply.ParseFromString(frame.substr(8)))
        std::abort();
    HashResponse response;
    if (reply.type_id() == MessageContainer::QUERY_HASH
        && (!response.ParseFromString(reply.body()) || response.results_size() > nimbixd::kMaxCsp4HashValues))
        std::abort();
    return 0;
}
