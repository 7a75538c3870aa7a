#include "ServiceAddress.h"

#include <QtGlobal>

#include <stdexcept>

namespace Cloud {

namespace {

[[noreturn]] void reject(const QByteArray& value, const char* why)
{
    throw std::runtime_error("NIMBIX_SERVER=\"" + value.toStdString() + "\": " + why
                             + " (expected HOST or HOST:PORT, IPv6 as [ADDR]:PORT)");
}

quint16 parse_port(const QByteArray& value, const QByteArray& digits)
{
    if (digits.isEmpty() || digits.size() > 5)
        reject(value, "port must be a number from 1 to 65535");
    unsigned port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            reject(value, "port must be a number from 1 to 65535");
        port = port * 10 + static_cast<unsigned>(c - '0');
    }
    if (port == 0 || port > 65535)
        reject(value, "port must be a number from 1 to 65535");
    return static_cast<quint16>(port);
}

} // namespace

ServiceAddress parse_service_address(const QByteArray& raw, const QString& default_host)
{
    const QByteArray value = raw.trimmed();
    ServiceAddress address{default_host, 80};
    if (value.isEmpty())
        return address;

    QByteArray host = value;
    if (value.startsWith('[')) {
        const qsizetype close = value.indexOf(']');
        if (close < 0)
            reject(value, "missing ']' after the IPv6 address");
        host = value.mid(1, close - 1);
        const QByteArray rest = value.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(':'))
                reject(value, "unexpected text after ']'");
            address.port = parse_port(value, rest.mid(1));
        }
    } else if (value.count(':') == 1) {
        const qsizetype colon = value.indexOf(':');
        host = value.left(colon);
        address.port = parse_port(value, value.mid(colon + 1));
    }
    if (host.isEmpty())
        reject(value, "host is empty");
    address.host = QString::fromLocal8Bit(host);
    return address;
}

ServiceAddress service_address()
{
    return parse_service_address(qgetenv("NIMBIX_SERVER"), QStringLiteral(NIMBIX_DEFAULT_HOST));
}

QUrl service_url(const ServiceAddress& address, const QString& path)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(address.host);
    if (address.port != 80)
        url.setPort(address.port);
    url.setPath(path);
    return url;
}

} // namespace Cloud
