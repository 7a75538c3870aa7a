#include "ProtocolHttp.h"

#include "AnswerJson.h"
#include "AnswerLimit.h"
#include "UploadForm.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <safetext/qsafetext.h>

#include <boost/property_tree/ptree.hpp>

#include <exception>
#include <utility>

namespace Cloud {

namespace {

constexpr int kAlreadyStored = 1062;

QByteArray answer_of(QNetworkReply* reply)
{
    if (reply->bytesAvailable() > kMaxAnswerBytes)
        return QByteArray();
    QByteArray answer = reply->readAll();
    const qsizetype zero = answer.indexOf('\0');
    if (zero >= 0)
        answer.truncate(zero);
    return answer;
}

void log_json_failure(const std::exception& e, const QByteArray& answer)
{
    qDebug().nospace().noquote() << "Error occured when handling json: " << QString::fromStdString(safetext::escaped(e.what()));
    qDebug().noquote() << QString::fromStdString(safetext::escaped(answer.toStdString()));
}

} // namespace

ProtocolHttp::ProtocolHttp(QNetworkAccessManager* parent)
    : QNetworkAccessManager(parent)
{
}

ProtocolHttp::ProtocolHttp(QString url)
    : QNetworkAccessManager(nullptr)
    , upload_url(std::move(url))
{
}

void ProtocolHttp::set_server(QString url, QString host)
{
    upload_url = std::move(url);
    server_host = std::move(host);
}

bool ProtocolHttp::upload_file(QString path, QSet<QString>* keys)
{
    if (keys == nullptr)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const QByteArray body = build_upload_body(QFileInfo(path).fileName(), content);

    QNetworkRequest request{QUrl(upload_url)};
    request.setRawHeader("Content-Type",
                         QByteArrayLiteral("multipart/form-data;boundary=") + kUploadBoundary);
    request.setRawHeader("Content-Length", QByteArray::number(body.size()));
    QNetworkReply* reply = post(request, body);
    limit_answer(reply, reply);

    upload_keys = keys;
    connect(reply, &QNetworkReply::finished, this, &ProtocolHttp::upload_finished);
    return true;
}

void ProtocolHttp::upload_finished()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (reply == nullptr)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        qDebug().nospace().noquote() << "upload_finished error: \"" << safetext::escaped(reply->errorString()) << '"';
        return;
    }
    const QByteArray answer = answer_of(reply);
    try {
        const auto tree = read_answer_json(answer.toStdString());
        if (tree.get<int>("success") == 1) {
            const auto key = tree.get<std::string>("key");
            upload_keys->insert(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())));
        } else if (tree.get<int>("error") == kAlreadyStored) {
            qDebug() << "File already exists in the database.";
        }
    } catch (const std::exception& e) {
        log_json_failure(e, answer);
    }
    reply->deleteLater();
}

void ProtocolHttp::query_finished()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (reply == nullptr)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        qDebug().nospace().noquote() << "query_finished error: \"" << safetext::escaped(reply->errorString()) << '"';
        return;
    }
    const QByteArray answer = answer_of(reply);
    try {
        read_answer_json(answer.toStdString());
    } catch (const std::exception& e) {
        log_json_failure(e, answer);
    }
    reply->deleteLater();
}

} // namespace Cloud
