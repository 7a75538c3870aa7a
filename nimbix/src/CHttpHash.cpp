#include "CHttpHash.h"

#include "AnswerLimit.h"
#include "HttpPostMessage.h"
#include "KeepAliveReply.h"
#include "ServiceAddress.h"
#include "Text8Bit.h"

#include <QElapsedTimer>
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
    , connection(HttpResponseParser::Limits{.body_bytes = kMaxAnswerBytes})
{
}

QNetworkReply* CHttpHash::createRequest(Operation op, const QNetworkRequest& request, QIODevice* outgoing)
{
    // The body must be whole at hand to leave in one write; a sequential
    // device may still be producing it. Credentials in the URL would need
    // Qt's authentication.
    const QUrl url = request.url();
    if (op != PostOperation || url.scheme() != QLatin1String("http") || url.host().isEmpty()
        || !url.userInfo().isEmpty() || (outgoing && outgoing->isSequential()))
        return QNetworkAccessManager::createRequest(op, request, outgoing);
    const QByteArray body = outgoing ? outgoing->readAll() : QByteArray();
    return new KeepAliveReply(request, http_post_message(request, body), &connection, this);
}

bool CHttpHash::QueryHash(QByteArray hex, QString& answer)
{
    QTimer timer;
    QEventLoop loop;
    timer.setSingleShot(true);
    // A coarse timer may fire 5% early: the limit is 3000 ms, not 2850.
    timer.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;

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
    // An answer is a short JSON object; a service that sends more must not
    // fill the memory. Such a reply is dropped: its answer is empty.
    limit_answer(reply, &loop);
    clock.start();
    timer.start(kQueryTimeoutMs);
    if (!reply->isFinished())
        loop.exec();

    // A reply that arrived whole before it could be stopped is dropped too.
    const bool oversized = answer_too_large(reply);
    QByteArray bytes = oversized ? QByteArray() : reply->readAll();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    answer = from8bit(bytes);

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool ok = !oversized && status.toInt() == kHttpOk;
    if (oversized)
        failure_ = QStringLiteral("answer too large (more than %1 bytes)").arg(kMaxAnswerBytes);
    else if (!reply->isFinished())
        failure_ = QStringLiteral("time-out after %1 ms").arg(clock.elapsed());
    else if (!status.isValid())
        failure_ = reply->errorString();
    else if (!ok)
        failure_ = QStringLiteral("status %1 (%2)")
                       .arg(status.toInt())
                       .arg(QString::fromLatin1(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                                    .toByteArray()));
    else
        failure_.clear();
    if (!ok)
        answer.clear();
    reply->deleteLater();
    return ok;
}

} // namespace Cloud
