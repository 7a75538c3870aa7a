#include "HttpFraming.h"

#include "HeaderText.h"

#include <boost/beast/core/string.hpp>

#include <string_view>
#include <vector>

namespace nimbixd {

namespace http = boost::beast::http;

namespace {

// The transfer codings of every Transfer-Encoding line, in order, without
// their parameters; empty list elements are allowed and skipped.
std::vector<std::string> codings(const http::request_header<>& head)
{
    std::vector<std::string> found;
    const auto [first, last] = head.equal_range(http::field::transfer_encoding);
    for (auto field = first; field != last; ++field) {
        std::string_view list(field->value().data(), field->value().size());
        while (!list.empty()) {
            const auto comma = list.find(',');
            std::string_view item = trim(list.substr(0, comma));
            item = trim(item.substr(0, item.find(';')));
            if (!item.empty()) {
                std::string lower(item);
                for (char& c : lower)
                    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                found.push_back(lower);
            }
            if (comma == std::string_view::npos)
                break;
            list.remove_prefix(comma + 1);
        }
    }
    return found;
}

} // namespace

std::optional<FramingProblem> framing_problem(const http::request_header<>& head)
{
    const auto lengths = head.equal_range(http::field::content_length);
    const auto length_lines = std::distance(lengths.first, lengths.second);
    const bool has_encoding = head.count(http::field::transfer_encoding) > 0;
    if (has_encoding) {
        if (head.version() < 11)
            return FramingProblem{400, "Transfer-Encoding in an HTTP/1.0 request"};
        if (length_lines > 0)
            return FramingProblem{400, "both Transfer-Encoding and Content-Length"};
        const std::vector<std::string> list = codings(head);
        if (list.empty() || list.back() != "chunked")
            return FramingProblem{400, "Transfer-Encoding that does not end in chunked"};
        for (std::size_t i = 0; i + 1 < list.size(); ++i) {
            if (list[i] == "chunked")
                return FramingProblem{400, "chunked applied more than once"};
            return FramingProblem{501, "transfer coding \"" + list[i] + "\" is not supported"};
        }
    }
    if (length_lines > 1 || (length_lines == 1 && lengths.first->value().find(',') != boost::beast::string_view::npos))
        return FramingProblem{400, "more than one Content-Length"};
    return std::nullopt;
}

} // namespace nimbixd
