// nimbixd's multipart/form-data reading, as the upload's body arrives.
// Input: the Content-Type header on the first line, the body after it. The
// same body handed over whole and in pieces of varying size must give the
// same parts and contents, and no part head may pass its bound.
#include "MultipartStream.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

class Parts : public nimbixd::MultipartStream::Sink {
public:
    void part(std::string_view name) override
    {
        if (name.size() > nimbixd::MultipartStream::kMaxPartHead)
            std::abort();
        names.emplace_back(name);
        contents.emplace_back();
    }
    void data(std::string_view bytes) override
    {
        if (contents.empty())
            std::abort();
        contents.back().append(bytes);
    }
    std::vector<std::string> names;
    std::vector<std::string> contents;
};

struct Outcome {
    Parts parts;
    bool complete;
    bool failed;
};

Outcome read(const std::string& boundary, std::string_view body, std::size_t step)
{
    nimbixd::MultipartStream form(boundary);
    Outcome outcome{};
    std::size_t turn = 0;
    for (std::size_t at = 0; at < body.size();) {
        const std::size_t piece = step == 0 ? body.size() : 1 + (turn++ * step) % 13;
        form.feed(body.substr(at, piece), outcome.parts);
        at += piece;
    }
    outcome.complete = form.complete();
    outcome.failed = form.failed();
    if (outcome.complete && outcome.failed)
        std::abort();
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto newline = input.find('\n');
    const auto boundary = nimbixd::multipart_boundary(input.substr(0, newline));
    if (!boundary)
        return 0;
    const std::string_view body = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
    const Outcome whole = read(*boundary, body, 0);
    for (const std::size_t step : {1u, 5u}) {
        const Outcome pieces = read(*boundary, body, step);
        // A part's content is whole once the next delimiter is seen; how much
        // of a part still open has been handed on depends on the pieces.
        const std::size_t closed = whole.parts.names.empty() ? 0 : whole.parts.names.size() - !whole.complete;
        if (pieces.complete != whole.complete || pieces.failed != whole.failed
            || pieces.parts.names != whole.parts.names)
            std::abort();
        for (std::size_t i = 0; i < closed; ++i)
            if (pieces.parts.contents[i] != whole.parts.contents[i])
                std::abort();
    }
    return 0;
}
