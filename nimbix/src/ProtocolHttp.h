#pragma once

#include <QNetworkAccessManager>
#include <QSet>
#include <QString>

namespace Cloud {

// Sends files to the lookup service as samples, as a browser's multipart form
// would. Answers arrive asynchronously on the owning thread's event loop.
class ProtocolHttp : public QNetworkAccessManager {
    Q_OBJECT

public:
    explicit ProtocolHttp(QNetworkAccessManager* parent = nullptr);
    explicit ProtocolHttp(QString url);

    void set_server(QString url, QString host);

    // Starts one upload; false when keys is null or the file cannot be read.
    // The key the service stores the sample under is added to keys when the
    // answer arrives; keys must stay alive until then.
    bool upload_file(QString path, QSet<QString>* keys);

private slots:
    void upload_finished();
    void query_finished();

private:
    QString upload_url;
    QString server_host;
    QSet<QString>* upload_keys = nullptr;
};

} // namespace Cloud
