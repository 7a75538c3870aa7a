#pragma once

#include "HttpResponseParser.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace Cloud {

class KeepAliveConnection;

// The answer to a POST that CHttpHash sends over its own keep-alive
// connection on the calling thread, instead of through Qt's HTTP thread. It
// behaves as any reply of a QNetworkAccessManager: metaDataChanged with the
// status, reason and headers, readyRead as the body arrives, errorOccurred,
// finished; statuses of 400 and up report the error Qt's replies give them.
// A reply that fails has no status attribute: an answer that did not arrive
// whole is no answer. The exchange starts inside post() (start()); should
// it end at once, its end is announced from the event loop, so that the
// manager's finished() always follows.
class KeepAliveReply : public QNetworkReply {
    Q_OBJECT

public:
    // message is the whole request, head and body (http_post_message).
    KeepAliveReply(const QNetworkRequest& request, const QByteArray& message, KeepAliveConnection* connection,
                   QObject* parent);
    ~KeepAliveReply() override;

    // Sends the request; called once, by the manager that made the reply.
    void start();

    void abort() override;
    void close() override;
    qint64 bytesAvailable() const override;

    // What the connection reports, in this order; each may run the
    // handlers of the reply's signals.
    void head_received(int status, const QByteArray& reason, const QList<HttpResponseParser::Header>& headers);
    void body_received(const QByteArray& bytes);
    void succeeded();
    void failed(NetworkError code, const QString& text);

protected:
    qint64 readData(char* data, qint64 max) override;

private:
    void announceEnd();

    QPointer<KeepAliveConnection> connection_;
    QByteArray message_;
    QByteArray body_;
    qsizetype read_at_ = 0;
    bool starting_ = false;
};

} // namespace Cloud
