#include "testsite.h"

#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

bool run(const QStringList &arguments, QString *why)
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        *why = QStringLiteral("openssl %1: %2").arg(arguments.join(QLatin1Char(' ')),
                                                    QString::fromLocal8Bit(openssl.readAll()));
        return false;
    }
    return true;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TestSite::TestSite(Trust trust)
{
    if (!dir.isValid() || !makeCertificates(trust))
        return;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(QSslCertificate(readFile(dir.filePath(QStringLiteral("server.crt")))));
    configuration.setPrivateKey(QSslKey(readFile(dir.filePath(QStringLiteral("server.key"))), QSsl::Ec));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    server.setSslConfiguration(configuration);
    connect(&server, &QSslServer::pendingConnectionAvailable, this, [this] {
        while (server.hasPendingConnections())
            serve(qobject_cast<QSslSocket *>(server.nextPendingConnection()));
    });
    ready = server.listen(QHostAddress::LocalHost, 0);
    if (!ready)
        why = server.errorString();
}

bool TestSite::makeCertificates(Trust trust)
{
    const QString ca = dir.filePath(QStringLiteral("ca"));
    const QString leaf = dir.filePath(QStringLiteral("server"));
    const QStringList ecKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    const QString names = QStringLiteral("subjectAltName=IP:127.0.0.1");
    if (trust == Trust::Untrusted) {
        // Self-made: a certificate no authority this process knows vouches for.
        return run(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey
                       + QStringList{QStringLiteral("-keyout"), leaf + QStringLiteral(".key"), QStringLiteral("-out"),
                                     leaf + QStringLiteral(".crt"), QStringLiteral("-days"), QStringLiteral("2"),
                                     QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"), names},
                   &why);
    }
    QFile extensions(dir.filePath(QStringLiteral("server.ext")));
    if (!extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write(names.toUtf8() + "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
    extensions.close();
    return run(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey
                   + QStringList{QStringLiteral("-keyout"), ca + QStringLiteral(".key"), QStringLiteral("-out"),
                                 ca + QStringLiteral(".crt"), QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=Rescue test authority"),
                                 QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                                 QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
               &why)
        && run(QStringList{QStringLiteral("req")} + ecKey
                   + QStringList{QStringLiteral("-keyout"), leaf + QStringLiteral(".key"), QStringLiteral("-out"),
                                 leaf + QStringLiteral(".csr"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")},
               &why)
        && run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), leaf + QStringLiteral(".csr"),
                QStringLiteral("-CA"), ca + QStringLiteral(".crt"), QStringLiteral("-CAkey"), ca + QStringLiteral(".key"),
                QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), leaf + QStringLiteral(".crt"),
                QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), extensions.fileName()},
               &why)
        && trustTestAuthority(ca + QStringLiteral(".crt"));
}

bool TestSite::trustTestAuthority(const QString &certificateFile)
{
    const QList<QSslCertificate> authority = QSslCertificate::fromPath(certificateFile);
    if (authority.isEmpty())
        return false;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(authority);
    QSslConfiguration::setDefaultConfiguration(configuration);
    return true;
}

QString TestSite::base() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(server.serverPort());
}

void TestSite::answer(const QString &path, const Answer &given)
{
    answers.insert(path, given);
}

void TestSite::serve(QSslSocket *socket)
{
    auto *request = new QByteArray;
    connect(socket, &QSslSocket::disconnected, socket, [socket, request] {
        delete request;
        socket->deleteLater();
    });
    connect(socket, &QSslSocket::readyRead, socket, [this, socket, request] {
        request->append(socket->readAll());
        if (!request->contains("\r\n\r\n"))
            return;
        const QList<QByteArray> line = request->left(request->indexOf("\r\n")).split(' ');
        request->clear();
        const QString path = line.size() > 1 ? QString::fromLatin1(line.at(1)) : QString();
        paths << path;
        Answer notHere;
        notHere.status = 404;
        notHere.body = "not here";
        const Answer given = answers.value(path, notHere);
        QByteArray head = "HTTP/1.1 " + QByteArray::number(given.status) + " X\r\nConnection: close\r\n";
        for (const auto &header : given.headers)
            head += header.first + ": " + header.second + "\r\n";
        QByteArray body = given.body;
        if (given.chunked) {
            head += "Transfer-Encoding: chunked\r\n\r\n";
            QByteArray chunks;
            for (qsizetype at = 0; at < body.size(); at += 1000) {
                const QByteArray piece = body.mid(at, 1000);
                chunks += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
            }
            body = chunks + "0\r\n\r\n";
        } else {
            head += "Content-Length: " + QByteArray::number(given.announced >= 0 ? given.announced : body.size()) + "\r\n\r\n";
        }
        if (!given.trickle && !given.hold && !given.cut) {
            socket->write(head + body);
            socket->disconnectFromHost();
            return;
        }
        socket->write(head);
        const qsizetype piece = body.size() / 10 + 1;
        const qsizetype end = given.hold || given.cut ? body.size() / 2 : body.size();
        auto *timer = new QTimer(socket);
        auto *sent = new qsizetype(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body, piece, end, given] {
            const qsizetype next = qMin(*sent + piece, end);
            socket->write(body.mid(*sent, next - *sent));
            *sent = next;
            if (*sent < end)
                return;
            timer->stop();
            delete sent;
            if (!given.hold)
                socket->disconnectFromHost();
        });
        timer->start(100);    });
}
