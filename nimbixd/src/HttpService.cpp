#include "HttpService.h"

#include "Hex.h"
#include "JsonAnswer.h"

#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace nimbixd {

namespace {

// The largest sample the upload form announces (MAX_FILE_SIZE) plus room for
// the form around it; queries are far smaller.
constexpr std::size_t kMaxBodyBytes = 10485760 + 64 * 1024;
constexpr int kWorkerThreads = 32;
constexpr time_t kKeepAliveSeconds = 30;
// A client such as a scan worker asks about one digest after another on one
// connection; reconnecting every few requests would cost a handshake each.
constexpr std::size_t kKeepAliveRequests = 1000000;

void bad_request(httplib::Response& response, const std::string& why)
{
    response.status = 400;
    response.set_content(why + "\n", "text/plain");
}

// The value of field name in an application/x-www-form-urlencoded body.
std::optional<std::string_view> form_field(std::string_view body, std::string_view name)
{
    while (!body.empty()) {
        const auto end = body.find('&');
        const std::string_view pair = body.substr(0, end);
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == name)
            return pair.substr(equals + 1);
        if (end == std::string_view::npos)
            break;
        body.remove_prefix(end + 1);
    }
    return std::nullopt;
}

std::string error_text(int status)
{
    switch (status) {
    case 400:
        return "malformed request\n";
    case 404:
        return "no such endpoint\n";
    case 413:
        return "request body larger than " + std::to_string(kMaxBodyBytes) + " bytes\n";
    default:
        return "request failed with status " + std::to_string(status) + "\n";
    }
}

} // namespace

HttpService::HttpService(const HashDatabase& database, std::optional<SampleStore> samples,
                         bool verbose)
    : database_(database)
    , samples_(std::move(samples))
{
    server_.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    // Without TCP_NODELAY a reply written in pieces waits for the client's
    // delayed ACK: about 40 ms per keep-alive exchange.
    server_.set_tcp_nodelay(true);
    server_.set_keep_alive_max_count(kKeepAliveRequests);
    server_.set_keep_alive_timeout(kKeepAliveSeconds);
    server_.set_payload_max_length(kMaxBodyBytes);

    server_.Post("/interface/cloud/query",
                 [this](const httplib::Request& rq, httplib::Response& rs) { query(rq, rs); });
    if (samples_)
        server_.Post("/upfileload.php",
                     [this](const httplib::Request& rq, httplib::Response& rs) { upload(rq, rs); });

    server_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            response.set_content(error_text(response.status), "text/plain");
    });
    if (verbose)
        server_.set_logger([](const httplib::Request& request, const httplib::Response& response) {
            std::fprintf(stderr, "nimbixd: %s:%d %s %s %d\n", request.remote_addr.c_str(),
                         request.remote_port, request.method.c_str(), request.path.c_str(),
                         response.status);
        });
}

std::uint16_t HttpService::bind(const Endpoint& endpoint)
{
    int port = endpoint.port;
    if (endpoint.port == 0)
        port = server_.bind_to_any_port(endpoint.host);
    else if (!server_.bind_to_port(endpoint.host, endpoint.port))
        port = -1;
    if (port < 0)
        throw std::runtime_error("cannot listen on " + to_string(endpoint));
    return static_cast<std::uint16_t>(port);
}

bool HttpService::serve()
{
    return server_.listen_after_bind();
}

void HttpService::stop()
{
    server_.stop();
}

void HttpService::query(const httplib::Request& request, httplib::Response& response) const
{
    const auto md5 = form_field(request.body, "md5");
    if (!md5)
        return bad_request(response, "missing form field md5");
    if (!is_md5_hex(*md5))
        return bad_request(response, "md5 must be 32 hexadecimal digits");
    response.set_content(query_answer(database_.lookup(to_lower_hex(*md5))), "application/json");
}

void HttpService::upload(const httplib::Request& request, httplib::Response& response) const
{
    if (!request.has_file("userdata_upload"))
        return bad_request(response, "missing multipart field userdata_upload");
    try {
        const auto result = samples_->store(request.get_file_value("userdata_upload").content);
        response.set_content(result.stored ? upload_stored_answer(result.key) : upload_known_answer(),
                             "application/json");
    } catch (const StoreError& e) {
        std::fprintf(stderr, "nimbixd: %s\n", e.what());
        response.status = 500;
        response.set_content(std::string(e.what()) + "\n", "text/plain");
    }
}

} // namespace nimbixd
