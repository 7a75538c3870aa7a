#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

namespace Cloud {

// HTTP digest query against the lookup service. One request at a time; the
// manager keeps its keep-alive connections between queries.
class CHttpHash : public QNetworkAccessManager {
    Q_OBJECT

public:
    explicit CHttpHash(QObject* parent = nullptr);

    // Posts "md5=<hex>" and waits at most 3000 ms. True when the service
    // answered with status 200; answer then holds the body up to its first
    // zero byte (whatever had arrived when the wait ended). Otherwise answer
    // is empty and the result is false.
    bool QueryHash(QByteArray hex, QString& answer);

private:
    const QUrl query_url;
};

} // namespace Cloud
