#include "HttpRoutes.h"

#include "Hex.h"
#include "JsonAnswer.h"

namespace nimbixd {

namespace {

constexpr const char* kJsonType = "application/json";
// The digest answer carries no Content-Type: Qt's HTTP client reads an
// answer's head one byte per system call, so each header byte costs every
// lookup of a scan; the client knows the answer is JSON.
constexpr const char* kNoType = "";

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

} // namespace

HttpRoutes::HttpRoutes(const HashDatabase& database, SampleStore* samples)
    : database_(database)
    , samples_(samples)
{
}

HttpAnswer HttpRoutes::error(int status, const std::string& why)
{
    return {status, "text/plain", why + "\n"};
}

HttpRoutes::Route HttpRoutes::route(std::string_view method, std::string_view target) const
{
    const std::string_view path = target.substr(0, target.find('?'));
    const bool is_query = path == "/interface/cloud/query";
    const bool is_upload = samples_ && path == "/upfileload.php";
    if (!is_query && !is_upload)
        return Route::NotFound;
    if (method != "POST")
        return Route::NotAllowed;
    return is_query ? Route::Query : Route::Upload;
}

HttpAnswer HttpRoutes::query(std::string_view body) const
{
    const auto md5 = form_field(body, "md5");
    if (!md5)
        return error(400, "missing form field md5");
    if (!is_md5_hex(*md5))
        return error(400, "md5 must be 32 hexadecimal digits");
    return {200, kNoType, query_answer(database_.lookup(to_lower_hex(*md5)))};
}

HttpAnswer HttpRoutes::uploaded(const std::optional<SampleStore::Result>& result)
{
    if (!result)
        return error(400, "expected a multipart/form-data body with the field userdata_upload");
    return {200, kJsonType, result->stored ? upload_stored_answer(result->key) : upload_known_answer()};
}

} // namespace nimbixd
