// The head of a request to nimbixd, read as its HTTP sessions read it
// (Boost.Beast's parser with the service's bounds) and judged by its
// framing checks. Whatever the bytes, a head that passes the checks frames
// its body in exactly one way.
#include "HttpFraming.h"

#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace http = boost::beast::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    http::request_parser<http::empty_body> parser;
    parser.header_limit(8 * 1024);
    parser.body_limit(10485760 + 64 * 1024);
    parser.eager(false);
    boost::beast::error_code ec;
    parser.put(boost::asio::buffer(data, size), ec);
    if (ec || !parser.is_header_done())
        return 0;
    const auto& head = parser.get();
    const auto problem = nimbixd::framing_problem(head);
    if (problem && problem->status != 400 && problem->status != 501)
        std::abort();
    if (!problem) {
        const bool encoded = head.count(http::field::transfer_encoding) > 0;
        const bool length = head.count(http::field::content_length) > 0;
        if ((encoded && (length || !parser.chunked())) || head.count(http::field::content_length) > 1)
            std::abort();
    }
    return 0;
}
