#include "serviceonport.h"

#include "NimbixdProcess.h"

#include <QFile>
#include <QTcpServer>
#include <QTest>

namespace {

constexpr int kStartMs = 10000;

} // namespace

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

ServiceOnPort::ServiceOnPort(quint16 port)
    : listen(QStringLiteral("127.0.0.1:%1").arg(port))
{
    QFile hashes(dir.filePath(QStringLiteral("empty.hdb")));
    hashes.open(QIODevice::WriteOnly);
}

ServiceOnPort::~ServiceOnPort()
{
    stop();
}

bool ServiceOnPort::start()
{
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(NimbixdProcess::executable(),
                  {QStringLiteral("--listen"), listen, QStringLiteral("--hash-db"), dir.filePath(QStringLiteral("empty.hdb"))});
    return QTest::qWaitFor([&] { return process.readAll().contains("listening on"); }, kStartMs);
}

void ServiceOnPort::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    process.waitForFinished(kStartMs);
}
