#include "JsonAnswer.h"

#include <cstdio>

namespace nimbixd {

namespace {

// Names come from database files; quote them so that any byte sequence
// stays one JSON string. Bytes above 0x7f pass unchanged (UTF-8 names).
std::string json_string(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
    return out;
}

} // namespace

std::string query_answer(const Verdict& verdict)
{
    switch (verdict.kind) {
    case Verdict::Kind::Queued:
        return R"({"source":"queue","level":0,"name":"","id":0})";
    case Verdict::Kind::Dangerous:
        return R"({"source":"cloud","level":2,"name":)" + json_string(verdict.name)
            + ",\"id\":" + std::to_string(verdict.id) + "}";
    case Verdict::Kind::Clean:
        break;
    }
    return R"({"source":"cloud","level":1,"name":"","id":0})";
}

std::string upload_stored_answer(const std::string& key)
{
    return R"({"success":1,"key":)" + json_string(key) + "}";
}

std::string upload_known_answer()
{
    return R"({"success":0,"error":1062})";
}

} // namespace nimbixd
