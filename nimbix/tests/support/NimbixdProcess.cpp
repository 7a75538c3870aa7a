#include "NimbixdProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <csignal>
#include <stdexcept>
#include <sys/prctl.h>

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kStopTimeoutMs = 10000;

void write_lines(const QString& path, const QStringList& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    for (const QString& line : lines)
        file.write(line.toUtf8() + '\n');
}

quint16 port_of(const QByteArray& line)
{
    return static_cast<quint16>(line.mid(line.lastIndexOf(':') + 1).trimmed().toUInt());
}

} // namespace

NimbixdProcess::NimbixdProcess() = default;

NimbixdProcess::~NimbixdProcess()
{
    stop();
}

QString NimbixdProcess::executable()
{
    return QStringLiteral(NIMBIXD_EXECUTABLE);
}

void NimbixdProcess::start(const QStringList& signatures)
{
    start(signatures, Options{});
}

void NimbixdProcess::start(const QStringList& signatures, const Options& options)
{
    stop();
    dir_ = std::make_unique<QTemporaryDir>();
    if (!dir_->isValid())
        throw std::runtime_error("cannot create a temporary folder for nimbixd");

    const QString hdb = dir_->filePath(QStringLiteral("signatures.hdb"));
    write_lines(hdb, signatures);
    QStringList args{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                     QStringLiteral("--hash-db"), hdb};
    if (!options.queued.isEmpty()) {
        const QString queue = dir_->filePath(QStringLiteral("queue.txt"));
        write_lines(queue, options.queued);
        args << QStringLiteral("--queue") << queue;
    }
    if (options.samples) {
        QDir(dir_->path()).mkdir(QStringLiteral("samples"));
        args << QStringLiteral("--samples") << samplesDir();
    }
    if (options.csp4)
        args << QStringLiteral("--csp4") << QStringLiteral("127.0.0.1:0");
    args << options.extraArguments;

    // The service must not outlive a test that crashes.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(executable(), args);
    if (!process_.waitForStarted(kStartTimeoutMs))
        throw std::runtime_error("cannot start " + executable().toStdString() + ": "
                                 + process_.errorString().toStdString());

    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (port_ == 0) {
        if (!process_.canReadLine() && !process_.waitForReadyRead(int(deadline.remainingTime()))) {
            process_.kill();
            process_.waitForFinished();
            throw std::runtime_error("nimbixd did not report its port: "
                                     + process_.readAll().toStdString());
        }
        while (process_.canReadLine()) {
            const QByteArray line = process_.readLine();
            if (line.startsWith("nimbixd: csp4 listening on "))
                csp4Port_ = port_of(line);
            else if (line.startsWith("nimbixd: listening on "))
                port_ = port_of(line);
        }
    }
}

void NimbixdProcess::stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(kStopTimeoutMs)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    port_ = 0;
    csp4Port_ = 0;
}

QString NimbixdProcess::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

QString NimbixdProcess::samplesDir() const
{
    return dir_ ? dir_->filePath(QStringLiteral("samples")) : QString();
}

ScopedNimbixServer::ScopedNimbixServer(const QString& value)
    : hadValue_(qEnvironmentVariableIsSet("NIMBIX_SERVER"))
    , previous_(qgetenv("NIMBIX_SERVER"))
{
    qputenv("NIMBIX_SERVER", value.toUtf8());
}

ScopedNimbixServer::~ScopedNimbixServer()
{
    if (hadValue_)
        qputenv("NIMBIX_SERVER", previous_);
    else
        qunsetenv("NIMBIX_SERVER");
}
