#pragma once

#include "HttpResponseParser.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpSocket;

namespace Cloud {

class KeepAliveReply;

// One keep-alive HTTP/1.1 connection, used for one exchange at a time on the
// thread that owns it. Each request leaves in one write with TCP_NODELAY
// set; the answer is read in whatever pieces the kernel hands over.
//
// A connection is reused only when the last answer ended cleanly where its
// framing said. An exchange that ends early (its reply aborted or destroyed,
// a malformed answer, a later request that cannot wait) closes it: the rest
// of that answer must never be read as the next one.
class KeepAliveConnection : public QObject {
    Q_OBJECT

public:
    explicit KeepAliveConnection(const HttpResponseParser::Limits& limits, QObject* parent = nullptr);

    // Sends message (head and body) to host:port and reports the answer to
    // reply. A reply still waiting for its answer is ended first.
    void send(KeepAliveReply* reply, const QString& host, quint16 port, const QByteArray& message);

    // reply stops waiting for its answer.
    void abandon(KeepAliveReply* reply);

private:
    void open();
    void drop();
    void write_request();
    void on_ready_read();
    void on_closed(QAbstractSocket::SocketError error);
    void take(const QByteArray& bytes);
    void report(bool trailing_bytes);
    bool still_current(const QPointer<KeepAliveReply>& reply) const;

    const HttpResponseParser::Limits limits_;
    QTcpSocket* socket_ = nullptr;
    QString host_;
    quint16 port_ = 0;

    // The exchange in progress.
    QPointer<KeepAliveReply> reply_;
    QByteArray message_;
    HttpResponseParser parser_;
    bool head_reported_ = false;
    bool reused_ = false;    // sent on a connection that carried an earlier exchange
    bool received_ = false;  // any byte of the answer arrived
    bool retried_ = false;
};

} // namespace Cloud
