#include "HttpPostMessage.h"

#include <QUrl>

namespace Cloud {

QByteArray http_post_message(const QNetworkRequest& request, const QByteArray& body)
{
    const QUrl url = request.url();
    QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/'))
        target.prepend('/');

    QByteArray message;
    message.reserve(256 + body.size());
    message += "POST " + target + " HTTP/1.1\r\nHost: " + url.authority(QUrl::FullyEncoded).toLatin1() + "\r\n";
    for (const QByteArray& name : request.rawHeaderList()) {
        if (name.compare("host", Qt::CaseInsensitive) == 0 || name.compare("content-length", Qt::CaseInsensitive) == 0)
            continue;
        message += name + ": " + request.rawHeader(name) + "\r\n";
    }
    message += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    message += body;
    return message;
}

} // namespace Cloud
