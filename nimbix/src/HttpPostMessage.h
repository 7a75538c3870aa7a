#pragma once

#include <QByteArray>
#include <QNetworkRequest>

namespace Cloud {

// The whole HTTP/1.1 POST of body to request's URL, head and body together,
// so that it leaves in one write: request line, Host, the request's own
// headers, Content-Length, body. A Host or Content-Length the request
// carries is replaced by the true one.
QByteArray http_post_message(const QNetworkRequest& request, const QByteArray& body);

} // namespace Cloud
