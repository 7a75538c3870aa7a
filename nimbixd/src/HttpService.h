#pragma once

#include "Endpoint.h"
#include "HashDatabase.h"
#include "SampleStore.h"

#include <httplib.h>

#include <cstdint>
#include <optional>

namespace nimbixd {

// The HTTP side of the service: the digest query on
// POST /interface/cloud/query and, with a sample folder, the sample upload on
// POST /upfileload.php. HTTP/1.1 keep-alive, TCP_NODELAY, bounded bodies.
class HttpService {
public:
    HttpService(const HashDatabase& database, std::optional<SampleStore> samples, bool verbose);

    // Returns the bound port. Throws std::runtime_error.
    std::uint16_t bind(const Endpoint& endpoint);
    // Serves until stop(); false when serving failed.
    bool serve();
    void stop();

private:
    void query(const httplib::Request& request, httplib::Response& response) const;
    void upload(const httplib::Request& request, httplib::Response& response) const;

    const HashDatabase& database_;
    const std::optional<SampleStore> samples_;
    httplib::Server server_;
};

} // namespace nimbixd
