#include "HttpResponseParser.h"

#include <algorithm>

namespace Cloud {

namespace {

// A chunk-size line holds a few hexadecimal digits and perhaps an extension.
constexpr qsizetype kMaxChunkLine = 4096;

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

int hex_value(char c)
{
    if (is_digit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool is_space(char c)
{
    return c == ' ' || c == '\t';
}

bool is_token(QByteArrayView text)
{
    static constexpr QByteArrayView kSymbols = "!#$%&'*+-.^_`|~";
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) {
        return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || kSymbols.contains(c);
    });
}

bool has_control(QByteArrayView text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7f;
    });
}

QByteArrayView trim_spaces(QByteArrayView text)
{
    while (!text.isEmpty() && is_space(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && is_space(text.back()))
        text.chop(1);
    return text;
}

bool same_name(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The comma-separated elements of every header called name, in order.
QList<QByteArray> list_of(const QList<HttpResponseParser::Header>& headers, QByteArrayView name)
{
    QList<QByteArray> elements;
    for (const auto& [key, value] : headers) {
        if (!same_name(key, name))
            continue;
        for (const QByteArray& element : value.split(',')) {
            const QByteArrayView item = trim_spaces(element);
            if (!item.isEmpty())
                elements.append(item.toByteArray());
        }
    }
    return elements;
}

bool lists(const QList<QByteArray>& elements, QByteArrayView wanted)
{
    return std::any_of(elements.begin(), elements.end(),
                       [wanted](const QByteArray& element) { return same_name(element, wanted); });
}

} // namespace

HttpResponseParser::HttpResponseParser(const Limits& limits)
    : limits_(limits)
{
}

qsizetype HttpResponseParser::feed(QByteArrayView data)
{
    qsizetype used = 0;
    while (used < data.size() && state_ != State::Complete && state_ != State::Failed) {
        if (state_ == State::Body || state_ == State::ChunkData) {
            take_body_bytes(data, used);
        } else if (read_line(data, used)) {
            on_line();
            line_.clear();
        }
    }
    offset_ += used;
    return used;
}

void HttpResponseParser::end_of_input()
{
    if (state_ == State::Complete || state_ == State::Failed)
        return;
    if (state_ == State::Body && framing_ == Framing::UntilClose) {
        state_ = State::Complete;
        return;
    }
    if (state_ == State::StatusLine && head_used_ == 0)
        fail(QStringLiteral("connection closed before an answer"), offset_);
    else
        fail(QStringLiteral("connection closed before the answer was complete"), offset_);
}

QByteArray HttpResponseParser::take_body()
{
    QByteArray taken;
    taken.swap(body_);
    return taken;
}

bool HttpResponseParser::read_line(QByteArrayView data, qsizetype& used)
{
    const qsizetype newline = data.indexOf('\n', used);
    const qsizetype end = newline < 0 ? data.size() : newline + 1;
    const qsizetype count = end - used;
    if (line_.isEmpty())
        line_start_ = offset_ + used;
    if (state_ == State::ChunkSize || state_ == State::ChunkEnd) {
        if (line_.size() + count > kMaxChunkLine) {
            fail(QStringLiteral("chunk size line longer than %1 bytes").arg(kMaxChunkLine), line_start_);
            return false;
        }
    } else {
        head_used_ += count;
        if (head_used_ > limits_.head_bytes) {
            fail(QStringLiteral("answer head larger than %1 bytes").arg(limits_.head_bytes), line_start_);
            return false;
        }
    }
    line_.append(data.sliced(used, newline < 0 ? count : count - 1));
    used = end;
    if (newline < 0)
        return false;
    if (line_.endsWith('\r'))
        line_.chop(1);
    return true;
}

void HttpResponseParser::on_line()
{
    switch (state_) {
    case State::StatusLine:
        return on_status_line();
    case State::HeaderLine:
        return on_header_line();
    case State::ChunkSize:
        return on_chunk_size();
    case State::ChunkEnd:
        if (!line_.isEmpty())
            return fail(QStringLiteral("chunk data longer than its size"), line_start_);
        state_ = State::ChunkSize;
        return;
    case State::TrailerLine:
        // Trailers carry nothing the lookup needs; they are checked, not kept.
        if (line_.isEmpty())
            state_ = State::Complete;
        else if (const qsizetype colon = line_.indexOf(':');
                 colon < 0 || !is_token(QByteArrayView(line_).first(colon)) || has_control(line_))
            fail(QStringLiteral("malformed trailer"), line_start_);
        return;
    case State::Body:
    case State::ChunkData:
    case State::Complete:
    case State::Failed:
        return;
    }
}

void HttpResponseParser::on_status_line()
{
    // "HTTP/1.x NNN reason", the reason possibly empty or left out.
    const QByteArrayView line(line_);
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || !is_digit(line[7]) || line[8] != ' '
        || !is_digit(line[9]) || !is_digit(line[10]) || !is_digit(line[11])
        || (line.size() > 12 && line[12] != ' '))
        return fail(QStringLiteral("malformed status line"), line_start_);
    const int status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    if (status < 100 || status > 599)
        return fail(QStringLiteral("status code %1 out of range").arg(status), line_start_);
    const QByteArrayView reason = line.size() > 13 ? line.sliced(13) : QByteArrayView();
    if (has_control(reason))
        return fail(QStringLiteral("control character in the status line"), line_start_);
    status_ = status;
    minor_version_ = line[7] - '0';
    reason_ = reason.toByteArray();
    headers_.clear();
    state_ = State::HeaderLine;
}

void HttpResponseParser::on_header_line()
{
    if (line_.isEmpty())
        return on_head_end();
    if (is_space(line_.front())) {
        // An old-style folded header continues the one before it.
        if (headers_.isEmpty())
            return fail(QStringLiteral("header continuation before any header"), line_start_);
        const QByteArrayView more = trim_spaces(line_);
        if (has_control(more))
            return fail(QStringLiteral("control character in a header"), line_start_);
        QByteArray& value = headers_.last().second;
        if (!more.isEmpty() && !value.isEmpty())
            value += ' ';
        value += more;
        return;
    }
    const qsizetype colon = line_.indexOf(':');
    if (colon < 0 || !is_token(QByteArrayView(line_).first(colon)))
        return fail(QStringLiteral("malformed header"), line_start_);
    const QByteArrayView value = trim_spaces(QByteArrayView(line_).sliced(colon + 1));
    if (has_control(value))
        return fail(QStringLiteral("control character in a header"), line_start_);
    if (headers_.size() >= limits_.header_count)
        return fail(QStringLiteral("more than %1 headers").arg(limits_.header_count), line_start_);
    headers_.append({line_.left(colon), value.toByteArray()});
}

void HttpResponseParser::on_head_end()
{
    if (status_ < 200) {
        if (status_ == 101)
            return fail(QStringLiteral("switch of protocols that was never asked for"), line_start_);
        // An interim answer such as 100 Continue: the real one follows.
        headers_.clear();
        state_ = State::StatusLine;
        return;
    }
    const QList<QByteArray> connection = list_of(headers_, "connection");
    reusable_ = !lists(connection, "close") && (minor_version_ >= 1 || lists(connection, "keep-alive"));
    if (status_ == 204 || status_ == 304) {
        head_complete_ = true;
        state_ = State::Complete;
        return;
    }

    qint64 length = -1;
    for (const auto& [name, value] : headers_) {
        if (!same_name(name, "content-length"))
            continue;
        qint64 announced = 0;
        if (value.isEmpty() || !std::all_of(value.begin(), value.end(), is_digit))
            return fail(QStringLiteral("malformed Content-Length"), line_start_);
        for (char digit : value) {
            if (announced > limits_.body_bytes / 10 || announced * 10 + (digit - '0') > limits_.body_bytes)
                return fail(QStringLiteral("answer announces more than %1 bytes").arg(limits_.body_bytes),
                            line_start_);
            announced = announced * 10 + (digit - '0');
        }
        if (length >= 0 && announced != length)
            return fail(QStringLiteral("conflicting Content-Length headers"), line_start_);
        length = announced;
    }

    const QList<QByteArray> coding = list_of(headers_, "transfer-encoding");
    if (!coding.isEmpty()) {
        // Two framings at once, or chunks in an HTTP/1.0 answer, are how
        // answers get smuggled: the chunks are believed, but the connection
        // is never trusted with another request.
        if (length >= 0 || minor_version_ == 0)
            reusable_ = false;
        if (same_name(coding.last(), "chunked")) {
            framing_ = Framing::Chunked;
            state_ = State::ChunkSize;
        } else {
            framing_ = Framing::UntilClose;
            state_ = State::Body;
        }
    } else if (length >= 0) {
        framing_ = Framing::Length;
        remaining_ = length;
        state_ = length == 0 ? State::Complete : State::Body;
    } else {
        framing_ = Framing::UntilClose;
        state_ = State::Body;
    }
    if (framing_ == Framing::UntilClose)
        reusable_ = false;
    head_complete_ = true;
}

void HttpResponseParser::on_chunk_size()
{
    const qint64 room = limits_.body_bytes - body_total_;
    qint64 size = 0;
    qsizetype at = 0;
    for (; at < line_.size() && hex_value(line_[at]) >= 0; ++at) {
        const int digit = hex_value(line_[at]);
        if (size > room / 16 || size * 16 + digit > room)
            return fail(QStringLiteral("chunk beyond the answer limit of %1 bytes").arg(limits_.body_bytes),
                        line_start_);
        size = size * 16 + digit;
    }
    while (at < line_.size() && is_space(line_[at]))
        ++at;
    if (at == 0 || (at < line_.size() && line_[at] != ';'))
        return fail(QStringLiteral("malformed chunk size"), line_start_);
    if (size == 0) {
        state_ = State::TrailerLine;
        return;
    }
    remaining_ = size;
    state_ = State::ChunkData;
}

void HttpResponseParser::take_body_bytes(QByteArrayView data, qsizetype& used)
{
    const qsizetype available = data.size() - used;
    if (framing_ == Framing::UntilClose) {
        if (body_total_ + available > limits_.body_bytes)
            return fail(QStringLiteral("answer larger than %1 bytes").arg(limits_.body_bytes), offset_ + used);
        body_.append(data.sliced(used));
        body_total_ += available;
        used = data.size();
        return;
    }
    const qsizetype count = static_cast<qsizetype>(std::min<qint64>(remaining_, available));
    body_.append(data.sliced(used, count));
    body_total_ += count;
    remaining_ -= count;
    used += count;
    if (remaining_ == 0)
        state_ = state_ == State::ChunkData ? State::ChunkEnd : State::Complete;
}

void HttpResponseParser::fail(const QString& why, qint64 at)
{
    state_ = State::Failed;
    error_ = why + QStringLiteral(" at byte %1 of the answer").arg(at);
}

} // namespace Cloud
