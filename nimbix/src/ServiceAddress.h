#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace Cloud {

// Where the lookup service lives: the built-in host on port 80, unless the
// environment variable NIMBIX_SERVER=HOST[:PORT] says otherwise.
struct ServiceAddress {
    QString host;
    quint16 port = 80;
};

// Parses a NIMBIX_SERVER value; an empty value means the built-in default.
// Throws std::runtime_error naming the variable and the fault.
ServiceAddress parse_service_address(const QByteArray& value, const QString& default_host);

// Reads NIMBIX_SERVER. Every address of the service (reachability test,
// digest query, sample upload) comes from here so that they never disagree.
ServiceAddress service_address();

// "http://HOST[:PORT]" followed by path; the port is left out when it is 80.
QUrl service_url(const ServiceAddress& address, const QString& path);

} // namespace Cloud
