#include "Csp4Answer.h"

#include "HashProtocol.pb.h"
#include "Hex.h"
#include "MessageContainer.pb.h"

#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/wire_format_lite.h>

namespace nimbixd {

namespace {

std::string frame(MessageContainer::MessageType type, const std::string& inner)
{
    MessageContainer container;
    container.set_type_id(type);
    container.set_version(1);
    if (!inner.empty())
        container.set_body(inner);
    const std::string serialized = container.SerializeAsString();
    const auto size = static_cast<std::uint32_t>(serialized.size());
    std::string out = "CSP4";
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((size >> shift) & 0xff));
    return out + serialized;
}

std::string error_response()
{
    HashResponse response;
    response.set_version(1);
    response.set_status(HashResponse::STATUS_ERROR);
    return response.SerializeAsString();
}

// Whether the serialized HashQuery holds at most kMaxCsp4HashValues digests,
// told from its wire format alone: parsing tens of thousands of empty
// digests first would cost far more than the refusal.
bool within_limit(const std::string& body)
{
    using google::protobuf::internal::WireFormatLite;
    google::protobuf::io::CodedInputStream in(reinterpret_cast<const std::uint8_t*>(body.data()),
                                              static_cast<int>(body.size()));
    int values = 0;
    while (const std::uint32_t tag = in.ReadTag()) {
        if (WireFormatLite::GetTagFieldNumber(tag) == 3 && ++values > kMaxCsp4HashValues)
            return false;
        if (!WireFormatLite::SkipField(&in, tag))
            return false;
    }
    return true;
}

} // namespace

std::string csp4_answer(const HashDatabase& database, int type, const std::string& body)
{
    if (type == MessageContainer::KEEP_ALIVE)
        return frame(MessageContainer::KEEP_ALIVE, {});
    const auto reply_type = static_cast<MessageContainer::MessageType>(type);
    if (type != MessageContainer::QUERY_HASH)
        return frame(reply_type, error_response());

    HashQuery query;
    if (!within_limit(body) || !query.ParsePartialFromString(body) || !query.IsInitialized() || query.version() != 1)
        return frame(reply_type, error_response());

    HashResponse response;
    response.set_version(1);
    response.set_status(HashResponse::STATUS_OK);
    for (const HashQuery::HashValue& value : query.hashvalues()) {
        HashResponse::HashResult* result = response.add_results();
        result->set_key(value.key());
        if (value.md5().size() != 16) {
            result->set_report(HashResponse::NOT_FOUND);
            continue;
        }
        const Verdict verdict = database.lookup(hex_of(value.md5()));
        switch (verdict.kind) {
        case Verdict::Kind::Queued:
            result->set_report(HashResponse::WAIT_FOR_SCAN);
            break;
        case Verdict::Kind::Dangerous:
            result->set_report(HashResponse::DANGEROUS);
            result->set_report_name(verdict.name);
            break;
        case Verdict::Kind::Clean:
            result->set_report(HashResponse::SAFETY);
            break;
        }
    }
    return frame(reply_type, response.SerializeAsString());
}

} // namespace nimbixd
