#pragma once

#include "HashDatabase.h"
#include "SampleStore.h"

#include <optional>
#include <string>
#include <string_view>

namespace nimbixd {

struct HttpAnswer {
    int status = 200;
    std::string content_type;  // empty: no Content-Type header
    std::string body;
};

// What the service answers to one request, apart from the transport: the
// digest query, the sample upload (with a sample folder), and errors.
class HttpRoutes {
public:
    HttpRoutes(const HashDatabase& database, std::optional<SampleStore> samples);

    HttpAnswer handle(std::string_view method, std::string_view target, std::string_view content_type,
                      std::string_view body) const;

    // Plain-text answer for an error status.
    static HttpAnswer error(int status, const std::string& why);

private:
    HttpAnswer query(std::string_view body) const;
    HttpAnswer upload(std::string_view content_type, std::string_view body) const;

    const HashDatabase& database_;
    const std::optional<SampleStore> samples_;
};

} // namespace nimbixd
