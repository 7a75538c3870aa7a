#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbixd {

// The content of the part named field in a multipart/form-data body, given
// the request's Content-Type header. Empty when the header names no
// boundary, the body does not follow it, or no part has that name.
std::optional<std::string_view> multipart_field(std::string_view content_type, std::string_view body,
                                                std::string_view field);

} // namespace nimbixd
