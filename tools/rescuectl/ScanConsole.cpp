#include "ScanConsole.h"

#include "ScanThread.h"
#include "ThreatRemoval.h"

#include <QCoreApplication>
#include <QSet>

#include <safetext/qsafetext.h>

namespace {

enum ExitStatus { NoThreat = 0, ThreatsFound = 1, Failure = 2 };

std::atomic<ScanConsole*> logTarget{nullptr};

QString minutesAndSeconds(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ScanConsole::ScanConsole(ScanThread* scanWorker, bool remove, QObject* parent)
    : QObject(parent)
    , worker(scanWorker)
    , removeThreats(remove)
{
    logTarget.store(this);
    qInstallMessageHandler(onLogMessage);
    elapsed.start();
    connect(worker, &ScanThread::scanProgress, this, &ScanConsole::onScanProgress);
    connect(worker, &ScanThread::threatFound, this, &ScanConsole::onThreatFound);
    connect(worker, &ScanThread::serverError, this, &ScanConsole::onServerError);
    connect(worker, &ScanThread::fileNotChecked, this, &ScanConsole::onFileNotChecked);
    connect(worker, &ScanThread::scanFinished, this, &ScanConsole::onScanFinished);
}

ScanConsole::~ScanConsole()
{
    qInstallMessageHandler(nullptr);
    logTarget.store(nullptr);
}

void ScanConsole::onLogMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    ScanConsole* console = logTarget.load();
    if (!console)
        return;
    // Escaped again here, for lines that did not come through the scan's own
    // log calls; escaping twice changes nothing.
    console->line.print(safetext::escaped(message), true);
}

void ScanConsole::onScanProgress(QString currentObject, long scanned, long total)
{
    scannedCount = scanned;
    totalCount = total;
    line.setStatus(tr("Scanned %1/%2, %3 threats: %4")
                       .arg(scanned)
                       .arg(total)
                       .arg(threatFiles.size())
                       .arg(safetext::escaped(currentObject)));
}

void ScanConsole::onThreatFound(QString threat_file, QString threat_name)
{
    threatFiles << threat_file;
    line.print(tr("Threat found: %1 in %2").arg(safetext::escaped(threat_name), safetext::escaped(threat_file)));
}

void ScanConsole::onFileNotChecked(QString file, QString reason)
{
    ++uncheckedCount;
    line.print(tr("Not checked: %1 (%2)").arg(safetext::escaped(file), safetext::escaped(reason)));
}

void ScanConsole::onServerError()
{
    serverUnreachable = true;
    line.print(tr("Fail to connect cloud server."), true);
}

void ScanConsole::onScanFinished()
{
    worker->wait();
    line.finish();
    if (serverUnreachable) {
        QCoreApplication::exit(Failure);
        return;
    }

    const qint64 ms = elapsed.elapsed();
    line.print(tr("Scanned %1 of %2 files, %3 threats found, %4 not checked, in %5 (%6 s).")
                   .arg(scannedCount)
                   .arg(totalCount)
                   .arg(threatFiles.size())
                   .arg(uncheckedCount)
                   .arg(minutesAndSeconds(ms))
                   .arg(double(ms) / 1000.0, 0, 'f', 1));
    // A file whose verdict could not be had is not known to be clean: a
    // script must never take such a scan for an all-clear.
    if (uncheckedCount > 0)
        line.print(tr("The scan is incomplete: %1 files could not be checked (see \"Not checked\" above).")
                       .arg(uncheckedCount));
    const bool removed = !removeThreats || threatFiles.isEmpty() || removeThreatFiles();
    if (!removed || uncheckedCount > 0)
        QCoreApplication::exit(Failure);
    else
        QCoreApplication::exit(threatFiles.isEmpty() ? NoThreat : ThreatsFound);
}

bool ScanConsole::removeThreatFiles()
{
    // Overlapping targets report a file more than once; it goes once.
    QSet<QString> handled;
    int removed = 0;
    int failed = 0;
    for (const QString& file : std::as_const(threatFiles)) {
        if (handled.contains(file))
            continue;
        handled.insert(file);
        if (removeThreatFile(file)) {
            ++removed;
            line.print(tr("Removed: %1").arg(safetext::escaped(file)));
        } else {
            ++failed;
            line.print(tr("Could not remove: %1").arg(safetext::escaped(file)), true);
        }
    }
    line.print(tr("Removed %1 of %2 threat files.").arg(removed).arg(removed + failed));
    return failed == 0;
}
