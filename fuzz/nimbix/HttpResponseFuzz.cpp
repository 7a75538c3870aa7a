// An HTTP answer from the lookup service, as the keep-alive connection
// reads it. The same bytes fed whole and in pieces of varying size must give
// the same result, and nothing kept may pass the limits.
#include "HttpResponseParser.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Small limits, so that short inputs reach every bound.
Cloud::HttpResponseParser::Limits limits()
{
    Cloud::HttpResponseParser::Limits small;
    small.head_bytes = 512;
    small.header_count = 8;
    small.body_bytes = 256;
    return small;
}

struct Outcome {
    bool complete;
    bool failed;
    bool head;
    int status;
    QByteArray body;
    QList<Cloud::HttpResponseParser::Header> headers;
    bool reusable;
    qsizetype used;
};

// Feeds data in pieces whose sizes follow step (0: whole), then closes.
Outcome parse(QByteArrayView data, std::size_t step)
{
    Cloud::HttpResponseParser parser(limits());
    QByteArray body;
    qsizetype used = 0;
    qsizetype at = 0;
    std::size_t turn = 0;
    while (at < data.size()) {
        const qsizetype piece = step == 0 ? data.size() - at
                                          : std::min<qsizetype>(data.size() - at, 1 + (turn++ * step) % 7);
        const qsizetype taken = parser.feed(data.sliced(at, piece));
        if (taken < 0 || taken > piece || (taken < piece && !parser.complete() && !parser.failed()))
            std::abort();
        used += taken;
        at += piece;
        body += parser.take_body();
        if (body.size() > limits().body_bytes)
            std::abort();
    }
    parser.end_of_input();
    body += parser.take_body();
    if (parser.failed() == parser.error().isEmpty() || parser.complete() == parser.failed())
        std::abort();
    if (parser.head_complete() && (parser.status_code() < 200 || parser.status_code() > 599))
        std::abort();
    if (parser.headers().size() > limits().header_count || body.size() > limits().body_bytes)
        std::abort();
    return {parser.complete(), parser.failed(), parser.head_complete(), parser.status_code(), body,
            parser.headers(), parser.reusable(), used};
}

bool same(const Outcome& a, const Outcome& b)
{
    return a.complete == b.complete && a.failed == b.failed && a.head == b.head
        && (!a.head || (a.status == b.status && a.headers == b.headers)) && a.reusable == b.reusable
        // How much a failing parse took before it stopped depends on the pieces.
        && (a.failed || (a.used == b.used && a.body == b.body));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Outcome whole = parse(bytes, 0);
    for (std::size_t step : {1u, 3u, 5u})
        if (!same(whole, parse(bytes, step)))
            std::abort();
    return 0;
}
