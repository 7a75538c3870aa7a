// nimbixd's multipart/form-data reading. Input: the Content-Type header on
// the first line, the body after it.
#include "Multipart.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const std::string_view type = input.substr(0, newline);
    const std::string_view body = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    const auto field = nimbixd::multipart_field(type, body, "userdata_upload");
    if (field && (field->data() < body.data() || field->data() + field->size() > body.data() + body.size()))
        std::abort();
    return 0;
}
