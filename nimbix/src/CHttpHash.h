#pragma once

#include "KeepAliveConnection.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

namespace Cloud {

// HTTP digest query against the lookup service. One request at a time.
//
// Qt's own HTTP client hands every request to its network thread and back
// and reads the answer head a byte per system call, which bounded a scan to
// a few thousand lookups a second. Plain http POSTs therefore go through
// this manager's own keep-alive connection on the calling thread; every
// other request takes Qt's road.
class CHttpHash : public QNetworkAccessManager {
    Q_OBJECT

public:
    explicit CHttpHash(QObject* parent = nullptr);

    // Posts "md5=<hex>" and waits at most 3000 ms. True when the service
    // answered with status 200; answer then holds the body up to its first
    // zero byte (whatever had arrived when the wait ended). Otherwise answer
    // is empty and the result is false.
    bool QueryHash(QByteArray hex, QString& answer);

    // Why the last QueryHash had no whole answer: "time-out after 3001 ms",
    // "status 404 (Not Found)", "answer too large (more than 1048576
    // bytes)", or the connection's own error. Empty after a whole answer of
    // status 200.
    QString failure() const { return failure_; }

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request, QIODevice* outgoing) override;

private:
    const QUrl query_url;
    KeepAliveConnection connection;
    QString failure_;
};

} // namespace Cloud
