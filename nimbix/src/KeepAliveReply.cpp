#include "KeepAliveReply.h"

#include "KeepAliveConnection.h"

#include <QUrl>

#include <algorithm>
#include <cstring>

namespace Cloud {

namespace {

// The errors Qt's own replies report for these statuses, so that callers
// see the same whichever road a request took.
QNetworkReply::NetworkError status_error(int status)
{
    switch (status) {
    case 400:
    case 418:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 407:
        return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        return status >= 500 ? QNetworkReply::UnknownServerError : QNetworkReply::UnknownContentError;
    }
}

} // namespace

KeepAliveReply::KeepAliveReply(const QNetworkRequest& request, const QByteArray& message,
                               KeepAliveConnection* connection, QObject* parent)
    : QNetworkReply(parent)
    , connection_(connection)
    , message_(message)
{
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::PostOperation);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

KeepAliveReply::~KeepAliveReply()
{
    if (!isFinished() && connection_)
        connection_->abandon(this);
}

void KeepAliveReply::start()
{
    if (isFinished() || !connection_)
        return;
    const QUrl target = url();
    starting_ = true;
    connection_->send(this, target.host(), static_cast<quint16>(target.port(80)), message_);
    starting_ = false;
    message_.clear();
}

void KeepAliveReply::abort()
{
    if (!isFinished())
        close();
}

void KeepAliveReply::close()
{
    const bool running = !isFinished();
    if (running && connection_)
        connection_->abandon(this);
    // Unread data is gone, as with Qt's own replies.
    QNetworkReply::close();
    body_.clear();
    read_at_ = 0;
    if (running)
        failed(OperationCanceledError, tr("Operation canceled"));
}

qint64 KeepAliveReply::bytesAvailable() const
{
    return QNetworkReply::bytesAvailable() + (body_.size() - read_at_);
}

qint64 KeepAliveReply::readData(char* data, qint64 max)
{
    const qint64 count = std::min<qint64>(max, body_.size() - read_at_);
    if (count <= 0)
        return isFinished() ? -1 : 0;
    std::memcpy(data, body_.constData() + read_at_, static_cast<std::size_t>(count));
    read_at_ += static_cast<qsizetype>(count);
    if (read_at_ == body_.size()) {
        body_.clear();
        read_at_ = 0;
    }
    return count;
}

void KeepAliveReply::head_received(int status, const QByteArray& reason,
                                   const QList<HttpResponseParser::Header>& headers)
{
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, reason);
    // Repeated headers read as one list, as Qt's own replies give them.
    for (const auto& [name, value] : headers)
        setRawHeader(name, hasRawHeader(name) ? rawHeader(name) + ", " + value : value);
    emit metaDataChanged();
}

void KeepAliveReply::body_received(const QByteArray& bytes)
{
    body_ += bytes;
    emit readyRead();
}

void KeepAliveReply::succeeded()
{
    setFinished(true);
    const int status = attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        // The answer arrived whole: status and body stay readable.
        setError(status_error(status), tr("Error transferring %1 - server replied: %2")
                                           .arg(url().toString(), QString::fromLatin1(
                                                    attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                                        .toByteArray())));
    }
    announceEnd();
}

void KeepAliveReply::failed(NetworkError code, const QString& text)
{
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, QVariant());
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, QVariant());
    setError(code, text);
    setFinished(true);
    announceEnd();
}

void KeepAliveReply::announceEnd()
{
    // Inside start() the manager has not yet connected to the reply.
    if (starting_) {
        QMetaObject::invokeMethod(this, &KeepAliveReply::announceEnd, Qt::QueuedConnection);
        return;
    }
    if (error() != NoError) {
        const QPointer<KeepAliveReply> alive(this);
        emit errorOccurred(error());
        if (!alive)
            return;
    }
    emit finished();
}

} // namespace Cloud
