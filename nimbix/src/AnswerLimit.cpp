#include "AnswerLimit.h"

#include <QNetworkRequest>

namespace Cloud {

namespace {

constexpr char kTooLarge[] = "nimbix_answer_too_large";

void stop(QNetworkReply* reply)
{
    reply->setProperty(kTooLarge, true);
    reply->abort();
}

} // namespace

void limit_answer(QNetworkReply* reply, QObject* context)
{
    QObject::connect(reply, &QNetworkReply::metaDataChanged, context, [reply] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxAnswerBytes)
            stop(reply);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, context, [reply] {
        if (reply->bytesAvailable() > kMaxAnswerBytes)
            stop(reply);
    });
}

bool answer_too_large(const QNetworkReply* reply)
{
    return reply->property(kTooLarge).toBool() || reply->bytesAvailable() > kMaxAnswerBytes;
}

} // namespace Cloud
