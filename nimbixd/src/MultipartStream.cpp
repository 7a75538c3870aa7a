#include "MultipartStream.h"

#include "HeaderText.h"

namespace nimbixd {

namespace {

// The value of parameter name in "value; a=b; name=\"c\"" header text.
std::optional<std::string_view> parameter(std::string_view header, std::string_view name)
{
    for (auto semicolon = header.find(';'); semicolon != std::string_view::npos; semicolon = header.find(';')) {
        header.remove_prefix(semicolon + 1);
        const std::string_view item = trim(header.substr(0, header.find(';')));
        const auto equals = item.find('=');
        if (equals == std::string_view::npos || !iequals(trim(item.substr(0, equals)), name))
            continue;
        std::string_view value = trim(item.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

// The name parameter of a part's Content-Disposition header; head holds
// the header lines, each ended by CRLF.
std::string_view part_name(std::string_view head)
{
    while (!head.empty()) {
        const auto end = head.find("\r\n");
        const std::string_view line = head.substr(0, end);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos && iequals(trim(line.substr(0, colon)), "Content-Disposition"))
            return parameter(line.substr(colon + 1), "name").value_or(std::string_view());
        if (end == std::string_view::npos)
            break;
        head.remove_prefix(end + 2);
    }
    return {};
}

} // namespace

std::optional<std::string> multipart_boundary(std::string_view content_type)
{
    const std::string_view type = trim(content_type.substr(0, content_type.find(';')));
    if (!iequals(type, "multipart/form-data"))
        return std::nullopt;
    const auto boundary = parameter(content_type, "boundary");
    if (!boundary || boundary->empty() || boundary->size() > 200)
        return std::nullopt;
    return std::string(*boundary);
}

// The first delimiter opens the body or ends a preamble line: read as if the
// body began with CRLF, every delimiter is the same CRLF "--" boundary.
MultipartStream::MultipartStream(std::string boundary)
    : delimiter_("\r\n--" + boundary)
    , pending_("\r\n")
{
}

void MultipartStream::feed(std::string_view bytes, Sink& sink)
{
    if (state_ == State::Done || state_ == State::Failed)
        return;
    pending_.append(bytes);
    for (;;) {
        switch (state_) {
        case State::Preamble:
            if (!pass_content(nullptr))
                return;
            state_ = State::AfterDelimiter;
            break;
        case State::AfterDelimiter:
            if (pending_.size() < 2)
                return;
            if (pending_.compare(0, 2, "--") == 0) {
                state_ = State::Done;
                pending_.clear();
                return;
            }
            if (pending_.compare(0, 2, "\r\n") != 0) {
                state_ = State::Failed;
                return;
            }
            pending_.erase(0, 2);
            head_.clear();
            state_ = State::Head;
            break;
        case State::Head:
            if (!read_head(sink))
                return;
            break;
        case State::Content:
            if (!pass_content(&sink))
                return;
            state_ = State::AfterDelimiter;
            break;
        case State::Done:
        case State::Failed:
            return;
        }
    }
}

bool MultipartStream::pass_content(Sink* sink)
{
    const auto found = pending_.find(delimiter_);
    // Without a delimiter, all but its length less one byte is surely
    // content; those last bytes may begin one.
    const std::size_t safe = found != std::string::npos ? found
        : pending_.size() >= delimiter_.size()          ? pending_.size() - (delimiter_.size() - 1)
                                                        : 0;
    if (sink && safe > 0)
        sink->data(std::string_view(pending_).substr(0, safe));
    pending_.erase(0, found != std::string::npos ? found + delimiter_.size() : safe);
    return found != std::string::npos;
}

bool MultipartStream::read_head(Sink& sink)
{
    for (;;) {
        const auto end = pending_.find("\r\n");
        if (end == std::string::npos) {
            if (head_.size() + pending_.size() > kMaxPartHead)
                state_ = State::Failed;
            return false;
        }
        if (head_.size() + end + 2 > kMaxPartHead) {
            state_ = State::Failed;
            return false;
        }
        if (end == 0) {
            pending_.erase(0, 2);
            state_ = State::Content;
            sink.part(part_name(head_));
            return true;
        }
        head_.append(pending_, 0, end + 2);
        pending_.erase(0, end + 2);
    }
}

} // namespace nimbixd
