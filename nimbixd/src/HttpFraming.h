#pragma once

#include <boost/beast/http/message.hpp>

#include <optional>
#include <string>

namespace nimbixd {

// Why a request head frames its body in a way that RFC 9112 (section 6)
// forbids or that this service does not take: the status to answer, after
// which the connection is closed, since where the next request begins is
// no longer known.
struct FramingProblem {
    int status;
    std::string why;
};

// Checks the head before any byte of the body is read: Transfer-Encoding in
// an HTTP/1.0 request or beside Content-Length, a last transfer coding other
// than chunked, chunked twice (400); other transfer codings (501); more than
// one Content-Length (400).
std::optional<FramingProblem> framing_problem(const boost::beast::http::request_header<>& head);

} // namespace nimbixd
