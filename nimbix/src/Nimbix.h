#pragma once

#include "CHttpHash.h"
#include "ProtocolHttp.h"
#include "ProtocolSocket.h"

#include <nimbix/INimbix.h>

#include <QMap>

namespace Cloud {

using VerdictMap = QMap<QString, QPair<QString, FileResult>>;

// The lookup object behind INimbix. Owned by the thread that created it.
class Nimbix : public INimbix {
public:
    Nimbix();
    Nimbix(const Nimbix&) = delete;
    Nimbix& operator=(const Nimbix&) = delete;

    void initialize() override;
    void release() override;
    bool is_online() override;
    QPair<QString, FileResult> query_file(QString path) override;
    QPair<QString, FileResult> query_hash(QByteArray md5) override;
    bool upload_file(QString path, QSet<QString>* keys) override;
    virtual ~Nimbix();

    // Asks about every digest (hexadecimal) of keys. Answered keys move from
    // the set into the returned map; keys still queued for analysis stay.
    VerdictMap query_keys(QSet<QString>* keys);

    // Appends one CSP4 request frame asking about the raw digest md5.
    void build_hash_request_packet(QByteArray md5, QByteArray* out);

    // Adds one entry per result of a serialized HashResponse to results.
    void parse_hash_response_packet(QByteArray data, VerdictMap* results);

private:
    QString server_host;
    quint16 server_port;
    QString upload_url;
    ProtocolSocket socket;
    ProtocolHttp http;
    CHttpHash http_hash;
};

} // namespace Cloud
