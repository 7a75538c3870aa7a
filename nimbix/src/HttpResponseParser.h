#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>

namespace Cloud {

// Reads one HTTP/1.x answer from bytes that arrive in pieces of any size:
// status line, headers, then a body framed by Content-Length, by chunks, or
// by the end of the connection. Interim 1xx answers are skipped. What the
// peer sends is untrusted, so everything kept is bounded and every malformed
// or oversized answer ends in failed() with a message, never in unbounded
// memory or a loop that consumes nothing.
class HttpResponseParser {
public:
    struct Limits {
        // Status lines and headers of every head of the answer, interim
        // heads and chunk trailers included.
        qsizetype head_bytes = 64 * 1024;
        int header_count = 100;
        // Decoded body.
        qint64 body_bytes = 1024 * 1024;
    };
    using Header = QPair<QByteArray, QByteArray>;

    explicit HttpResponseParser(const Limits& limits);

    // Takes bytes from the front of data and returns how many it took: all
    // of them, unless the answer ends or fails within them. Bytes after a
    // complete answer belong to no request.
    qsizetype feed(QByteArrayView data);

    // The peer closed the connection. That ends a body framed by the end of
    // the connection; any other unfinished answer fails.
    void end_of_input();

    bool head_complete() const { return head_complete_; }
    bool complete() const { return state_ == State::Complete; }
    bool failed() const { return state_ == State::Failed; }
    const QString& error() const { return error_; }

    // Of the final head, once head_complete().
    int status_code() const { return status_; }
    const QByteArray& reason_phrase() const { return reason_; }
    const QList<Header>& headers() const { return headers_; }

    // Body bytes decoded since the last call.
    QByteArray take_body();

    // Once complete(): whether the connection may carry the next request.
    bool reusable() const { return complete() && reusable_; }

private:
    enum class State { StatusLine, HeaderLine, Body, ChunkSize, ChunkData, ChunkEnd, TrailerLine, Complete, Failed };
    enum class Framing { Length, Chunked, UntilClose };

    bool read_line(QByteArrayView data, qsizetype& used);
    void on_line();
    void on_status_line();
    void on_header_line();
    void on_head_end();
    void on_chunk_size();
    void take_body_bytes(QByteArrayView data, qsizetype& used);
    void fail(const QString& why, qint64 at);

    Limits limits_;
    State state_ = State::StatusLine;
    Framing framing_ = Framing::UntilClose;
    QByteArray line_;
    qint64 offset_ = 0;      // where the bytes of the current feed() start
    qint64 line_start_ = 0;  // where line_ starts
    qsizetype head_used_ = 0;
    bool head_complete_ = false;
    int status_ = 0;
    int minor_version_ = 0;
    QByteArray reason_;
    QList<Header> headers_;
    qint64 remaining_ = 0;
    qint64 body_total_ = 0;
    QByteArray body_;
    bool reusable_ = false;
    QString error_;
};

} // namespace Cloud
