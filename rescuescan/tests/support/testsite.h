#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QString>
#include <QTemporaryDir>

// The maker's web site for a test: an HTTPS server on a loopback port with a
// certificate for 127.0.0.1, signed by a certificate authority the test makes
// (openssl) and trusts in this process, or, for the untrusted case, by none.
// Each path gets the answer the test gives it.
class TestSite : public QObject
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool chunked = false;      // the body in chunks, no length announced
        qint64 announced = -1;     // a Content-Length other than the body's
        // The body goes out in ten pieces a tenth of a second apart (a
        // client tells of its progress a few times a second, not for every
        // piece); hold stops after half of it and waits, cut closes there.
        bool trickle = false;
        bool hold = false;
        bool cut = false;
    };

    enum class Trust { Trusted, Untrusted };

    explicit TestSite(Trust trust = Trust::Trusted);

    // Whether openssl could make the certificates; why not, if it could not.
    bool isReady() const { return ready; }
    QString problem() const { return why; }

    // "https://127.0.0.1:PORT"
    QString base() const;
    void answer(const QString &path, const Answer &answer);
    QStringList requested() const { return paths; }

    // The certificate authority every download in this process trusts.
    static bool trustTestAuthority(const QString &certificateFile);

private:
    void serve(QSslSocket *socket);
    bool makeCertificates(Trust trust);

    QTemporaryDir dir;
    QSslServer server;
    QHash<QString, Answer> answers;
    QStringList paths;
    bool ready = false;
    QString why;
};

Q_DECLARE_METATYPE(TestSite::Answer)
