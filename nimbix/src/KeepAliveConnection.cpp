#include "KeepAliveConnection.h"

#include "KeepAliveReply.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpSocket>

namespace Cloud {

namespace {

QNetworkReply::NetworkError reply_error(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError:
        return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError:
        return QNetworkReply::TimeoutError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

} // namespace

KeepAliveConnection::KeepAliveConnection(const HttpResponseParser::Limits& limits, QObject* parent)
    : QObject(parent)
    , limits_(limits)
    , parser_(limits)
{
}

void KeepAliveConnection::send(KeepAliveReply* reply, const QString& host, quint16 port, const QByteArray& message)
{
    if (reply_) {
        // Its caller stopped waiting without ending it; the rest of its
        // answer would arrive in front of the new one.
        const QPointer<KeepAliveReply> earlier = reply_;
        reply_ = nullptr;
        drop();
        earlier->failed(QNetworkReply::OperationCanceledError,
                        QStringLiteral("superseded by a later request on the same connection"));
        if (reply->isFinished())
            return;
    }
    reply_ = reply;
    message_ = message;
    parser_ = HttpResponseParser(limits_);
    head_reported_ = false;
    received_ = false;
    retried_ = false;
    reused_ = socket_ && socket_->state() == QAbstractSocket::ConnectedState && host == host_ && port == port_
        && socket_->bytesAvailable() == 0;
    if (reused_) {
        write_request();
        return;
    }
    host_ = host;
    port_ = port;
    open();
}

void KeepAliveConnection::abandon(KeepAliveReply* reply)
{
    if (reply_ != reply)
        return;
    reply_ = nullptr;
    drop();
}

void KeepAliveConnection::open()
{
    drop();
    socket_ = new QTcpSocket(this);
    socket_->setProxy(QNetworkProxy::NoProxy);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        // Without it a request could wait for the ACK of the previous one.
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        write_request();
    });
    connect(socket_, &QTcpSocket::readyRead, this, &KeepAliveConnection::on_ready_read);
    connect(socket_, &QTcpSocket::errorOccurred, this, &KeepAliveConnection::on_closed);
    connect(socket_, &QTcpSocket::disconnected, this,
            [this] { on_closed(QAbstractSocket::RemoteHostClosedError); });
    socket_->connectToHost(host_, port_);
}

void KeepAliveConnection::drop()
{
    if (!socket_)
        return;
    socket_->disconnect(this);
    socket_->abort();
    socket_->deleteLater();
    socket_ = nullptr;
}

void KeepAliveConnection::write_request()
{
    socket_->write(message_);
    // Out now, in one piece, not at the next turn of the event loop. A
    // failing write reports through on_closed(), from inside flush().
    socket_->flush();
}

void KeepAliveConnection::on_ready_read()
{
    if (!reply_) {
        // Bytes nobody asked for: the connection cannot be trusted.
        drop();
        return;
    }
    take(socket_->readAll());
}

void KeepAliveConnection::on_closed(QAbstractSocket::SocketError error)
{
    if (!reply_) {
        drop();
        return;
    }
    if (socket_->bytesAvailable() > 0) {
        take(socket_->readAll());
        if (!reply_)
            return;
    }
    if (reused_ && !received_ && !retried_) {
        // The server closed the idle connection as the request went out, so
        // it never acted on it: ask once more on a fresh connection.
        retried_ = true;
        reused_ = false;
        open();
        return;
    }
    const QString text = socket_->errorString();
    parser_.end_of_input();
    if (parser_.complete()) {
        report(false);
        return;
    }
    const QPointer<KeepAliveReply> reply = reply_;
    reply_ = nullptr;
    drop();
    reply->failed(reply_error(error), received_ ? parser_.error() : text);
}

void KeepAliveConnection::take(const QByteArray& bytes)
{
    received_ = received_ || !bytes.isEmpty();
    const qsizetype used = parser_.feed(bytes);
    report(used < bytes.size());
}

void KeepAliveConnection::report(bool trailing_bytes)
{
    const QPointer<KeepAliveReply> reply = reply_;
    if (!head_reported_ && parser_.head_complete()) {
        head_reported_ = true;
        reply->head_received(parser_.status_code(), parser_.reason_phrase(), parser_.headers());
        if (!still_current(reply))
            return;
    }
    const QByteArray body = parser_.take_body();
    if (!body.isEmpty()) {
        reply->body_received(body);
        if (!still_current(reply))
            return;
    }
    if (parser_.complete()) {
        reply_ = nullptr;
        if (trailing_bytes || !parser_.reusable())
            drop();
        reply->succeeded();
    } else if (parser_.failed()) {
        reply_ = nullptr;
        drop();
        reply->failed(QNetworkReply::ProtocolFailure, parser_.error());
    }
}

bool KeepAliveConnection::still_current(const QPointer<KeepAliveReply>& reply) const
{
    return reply && reply_ == reply;
}

} // namespace Cloud
