#include "CHttpHash.h"

#include "ServiceAddress.h"
#include "Text8Bit.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace Cloud {

namespace {
constexpr int kQueryTimeoutMs = 3000;
constexpr int kHttpOk = 200;
} // namespace

CHttpHash::CHttpHash(QObject* parent)
    : QNetworkAccessManager(parent)
    , query_url(service_url(service_address(), QStringLiteral("/interface/cloud/query")))
{
}

bool CHttpHash::QueryHash(QByteArray hex, QString& answer)
{
    QTimer timer;
    QEventLoop loop;
    timer.setSingleShot(true);

    const QByteArray body = QByteArrayLiteral("md5=") + hex;

    QNetworkReply* reply = nullptr;
    // Only this query's reply ends the wait: a reply left running by an
    // earlier time-out may still finish now and must not cut this one short.
    connect(this, &QNetworkAccessManager::finished, &loop, [&loop, &reply](QNetworkReply* done) {
        if (done == reply)
            loop.quit();
    });
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);

    QNetworkRequest request(query_url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    reply = post(request, body);
    timer.start(kQueryTimeoutMs);
    if (!reply->isFinished())
        loop.exec();

    QByteArray bytes = reply->readAll();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    answer = from8bit(bytes);

    const bool ok = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == kHttpOk;
    if (!ok)
        answer.clear();
    reply->deleteLater();
    return ok;
}

} // namespace Cloud
