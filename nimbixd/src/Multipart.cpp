#include "Multipart.h"

#include <algorithm>
#include <cctype>

namespace nimbixd {

namespace {

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The value of parameter name in "value; a=b; name=\"c\"" header text.
std::optional<std::string_view> parameter(std::string_view header, std::string_view name)
{
    for (auto semicolon = header.find(';'); semicolon != std::string_view::npos;
         semicolon = header.find(';')) {
        header.remove_prefix(semicolon + 1);
        const std::string_view item = trim(header.substr(0, header.find(';')));
        const auto equals = item.find('=');
        if (equals == std::string_view::npos || !iequals(trim(item.substr(0, equals)), name))
            continue;
        std::string_view value = trim(item.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

// The name parameter of a part's Content-Disposition header.
std::optional<std::string_view> part_name(std::string_view headers)
{
    while (!headers.empty()) {
        const auto end = headers.find("\r\n");
        const std::string_view line = headers.substr(0, end);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos && iequals(trim(line.substr(0, colon)), "Content-Disposition"))
            return parameter(line.substr(colon + 1), "name");
        if (end == std::string_view::npos)
            break;
        headers.remove_prefix(end + 2);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string_view> multipart_field(std::string_view content_type, std::string_view body,
                                                std::string_view field)
{
    const std::string_view type = trim(content_type.substr(0, content_type.find(';')));
    if (!iequals(type, "multipart/form-data"))
        return std::nullopt;
    const auto boundary = parameter(content_type, "boundary");
    if (!boundary || boundary->empty() || boundary->size() > 200)
        return std::nullopt;
    const std::string delimiter = "--" + std::string(*boundary);
    const std::string separator = "\r\n" + delimiter;

    // The first delimiter opens the body or follows a preamble line.
    std::size_t at;
    if (body.substr(0, delimiter.size()) == delimiter)
        at = delimiter.size();
    else if (const auto found = body.find(separator); found != std::string_view::npos)
        at = found + separator.size();
    else
        return std::nullopt;

    for (;;) {
        const std::string_view rest = body.substr(at);
        if (rest.substr(0, 2) == "--" || rest.substr(0, 2) != "\r\n")
            return std::nullopt;
        const auto head_end = rest.find("\r\n\r\n", 2);
        if (head_end == std::string_view::npos)
            return std::nullopt;
        const auto content_begin = head_end + 4;
        const auto content_end = rest.find(separator, content_begin);
        if (content_end == std::string_view::npos)
            return std::nullopt;
        if (part_name(rest.substr(2, head_end - 2)) == field)
            return rest.substr(content_begin, content_end - content_begin);
        at += content_end + separator.size();
    }
}

} // namespace nimbixd
