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

// What the service answers, apart from the transport: the digest query, the
// sample upload (with a sample folder), and errors.
class HttpRoutes {
public:
    // samples may be null: the service then has no upload.
    HttpRoutes(const HashDatabase& database, SampleStore* samples);

    enum class Route { Query, Upload, NotFound, NotAllowed };
    // Decided from the request line alone, before any body is read.
    Route route(std::string_view method, std::string_view target) const;

    // The answer to a digest query's body.
    HttpAnswer query(std::string_view body) const;

    SampleStore* samples() const { return samples_; }
    // The answer to a whole upload form: its stored or known sample, or a
    // form without the sample field.
    static HttpAnswer uploaded(const std::optional<SampleStore::Result>& result);

    // Plain-text answer for an error status.
    static HttpAnswer error(int status, const std::string& why);

private:
    const HashDatabase& database_;
    SampleStore* const samples_;
};

} // namespace nimbixd
