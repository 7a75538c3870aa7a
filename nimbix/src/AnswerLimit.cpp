#include "AnswerLimit.h"

#include <QNetworkRequest>

namespace Cloud {

void limit_answer(QNetworkReply* reply, QObject* context)
{
    QObject::connect(reply, &QNetworkReply::metaDataChanged, context, [reply] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxAnswerBytes)
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, context, [reply] {
        if (reply->bytesAvailable() > kMaxAnswerBytes)
            reply->abort();
    });
}

} // namespace Cloud
