#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nimbixd {

// The boundary a multipart/form-data Content-Type header names; empty when
// the header is of another type or names no usable boundary.
std::optional<std::string> multipart_boundary(std::string_view content_type);

// A multipart/form-data body read as it arrives, in pieces of any size. Each
// part's name and content go to a sink as they come, so that a large part is
// never held whole: what the stream keeps is one part's head (at most
// kMaxPartHead bytes) and the bytes that may begin a delimiter.
class MultipartStream {
public:
    static constexpr std::size_t kMaxPartHead = 8 * 1024;

    class Sink {
    public:
        // A part begins: the name parameter of its Content-Disposition
        // header, empty when it has none.
        virtual void part(std::string_view name) = 0;
        // The next piece of that part's content.
        virtual void data(std::string_view bytes) = 0;

    protected:
        virtual ~Sink() = default;
    };

    explicit MultipartStream(std::string boundary);

    // Reads the next piece of the body. Once the body has broken the format,
    // or after the closing delimiter, further pieces are not looked at.
    void feed(std::string_view bytes, Sink& sink);

    // The closing delimiter has been read: every part is whole.
    bool complete() const { return state_ == State::Done; }
    bool failed() const { return state_ == State::Failed; }

private:
    enum class State { Preamble, AfterDelimiter, Head, Content, Done, Failed };

    // Hands on the content in front of the next delimiter; true when that
    // delimiter was found and consumed.
    bool pass_content(Sink* sink);
    bool read_head(Sink& sink);

    const std::string delimiter_;  // CRLF "--" boundary
    State state_ = State::Preamble;
    std::string pending_;
    std::string head_;
};

} // namespace nimbixd
