#include "ScanEngine.h"

#include "ScanThread.h"
#include "SystemPaths.h"
#include "ThreatItem.h"
#include "ThreatModel.h"
#include "ThreatRemoval.h"
#include "app/showquestion.h"

#include <nimbix/INimbix.h>
#include <safetext/qsafetext.h>

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QSet>
#include <QWidget>

ScanEngine::ScanEngine(QObject* parent)
    : QObject(parent)
    , threats(new ThreatModel)
    , timer(this)
{
    timer.setObjectName(QStringLiteral("elapsedTimer"));
    timer.setInterval(1000);
    connect(&timer, &QTimer::timeout, this, &ScanEngine::onTimeout);
}

ScanEngine::~ScanEngine()
{
    if (worker) {
        worker->stop();
        worker->wait();
        delete worker;
    }
    delete threats;
}

long ScanEngine::scannedCount() const
{
    return scanned;
}

long ScanEngine::totalCount() const
{
    return total;
}

QString ScanEngine::currentObject() const
{
    return safetext::escaped(current);
}

long ScanEngine::threatsCount() const
{
    return threats->rowCount();
}

QString ScanEngine::elapsedTime() const
{
    return QStringLiteral("%1:%2")
        .arg(elapsedSeconds / 60, 2, 10, QLatin1Char('0'))
        .arg(elapsedSeconds % 60, 2, 10, QLatin1Char('0'));
}

bool ScanEngine::paused() const
{
    return worker && worker->isPaused();
}

int ScanEngine::notCheckedCount() const
{
    return notChecked;
}

bool ScanEngine::serverUnreachable() const
{
    return unreachable;
}

int ScanEngine::notRemovedCount() const
{
    return notRemoved;
}

bool ScanEngine::isRunning() const
{
    return worker != nullptr;
}

ThreatModel* ScanEngine::threatModel() const
{
    return threats;
}

void ScanEngine::quickScan()
{
    qDebug() << "quick Scan";
    startScan({DirectoryEntry{QDir(SystemPaths::windowsPath()), true}}, false);
}

void ScanEngine::fullScan()
{
    qDebug() << "full Scan";
    startScan({DirectoryEntry{QDir(SystemPaths::mountPath()), true}}, false);
}

void ScanEngine::customScan(DirectoryList list)
{
    qDebug() << "custom Scan";
    startScan(list, true);
}

void ScanEngine::startScan(const DirectoryList& list, bool custom)
{
    if (worker)
        return;
    // Everything the scanning and result views show starts afresh, so a new
    // scan never shows the last one's figures until its first report.
    scanned = 0;
    total = 0;
    elapsedSeconds = 0;
    current.clear();
    notChecked = 0;
    unreachable = false;
    notRemoved = 0;
    emit scannedCountChanged(scanned);
    emit totalCoundChanged(total);
    emit elapsedTimeChanged();
    emit currentObjectChanged(currentObject());
    emit notCheckedCountChanged();
    emit serverUnreachableChanged();
    emit notRemovedCountChanged();

    threats->clear();
    emit threatsCountChanged(threats->rowCount());

    worker = new ScanThread;
    connect(worker, &ScanThread::scanProgress, this, &ScanEngine::onScanProgress);
    connect(worker, &ScanThread::scanFinished, this, &ScanEngine::onScanFinished);
    connect(worker, &ScanThread::threatFound, this, &ScanEngine::onThreatFound);
    connect(worker, &ScanThread::serverError, this, &ScanEngine::onServerError);
    connect(worker, &ScanThread::fileNotChecked, this, &ScanEngine::onFileNotChecked);
    worker->setCustomScan(custom);
    for (const DirectoryEntry& entry : list)
        worker->addTarget(entry.dir, entry.recursive);
    worker->start(QThread::InheritPriority);
    timer.start();
    emit pauseChanged();
}

void ScanEngine::endWorker()
{
    worker->stop();
    worker->wait();
    // Deleted once its reports still queued for this object have arrived: as
    // long as it exists no newer worker can take its address, so those
    // reports are told apart from a newer scan's by their sender.
    worker->deleteLater();
    worker = nullptr;
}

bool ScanEngine::fromStaleWorker() const
{
    const QObject* from = sender();
    return from && worker && from != worker;
}

QWidget* ScanEngine::questionParent() const
{
    return qobject_cast<QWidget*>(parent());
}

void ScanEngine::onTimeout()
{
    ++elapsedSeconds;
    emit elapsedTimeChanged();
}

void ScanEngine::onScanProgress(QString currentObject, long scannedNow, long totalNow)
{
    if (fromStaleWorker())
        return;
    current = currentObject;
    scanned = scannedNow;
    total = totalNow;
    emit currentObjectChanged(this->currentObject());
    emit scannedCountChanged(scanned);
    emit totalCoundChanged(total);
}

void ScanEngine::onScanFinished()
{
    if (fromStaleWorker())
        return;
    if (worker) {
        worker->wait();
        worker->deleteLater();
        worker = nullptr;
    }
    timer.stop();
    emit scanFinished();
}

void ScanEngine::onThreatFound(QString threat_file, QString threat_name)
{
    if (fromStaleWorker())
        return;
    threats->appendThreat(new ThreatItem(threat_name, threat_file, threats));
    emit threatsCountChanged(threats->rowCount());
}

void ScanEngine::onServerError()
{
    if (fromStaleWorker())
        return;
    unreachable = true;
    emit serverUnreachableChanged();
    QMessageBox box(QMessageBox::Warning, QString(), tr("Fail to connect cloud server."));
    box.exec();
}

void ScanEngine::onFileNotChecked(QString, QString)
{
    if (fromStaleWorker())
        return;
    ++notChecked;
    emit notCheckedCountChanged();
}

void ScanEngine::pause()
{
    if (!worker)
        return;
    worker->pause();
    timer.stop();
    emit pauseChanged();
}

void ScanEngine::resume()
{
    if (!worker)
        return;
    worker->resume();
    timer.start();
    emit pauseChanged();
}

bool ScanEngine::abort()
{
    if (!worker)
        return false;
    pause();
    const bool yes = showQuestion(questionParent(), tr("Warning"), tr("Are you sure to abort scan?")) == 1;
    // The scan may have ended while the question was open.
    if (!worker)
        return false;
    if (!yes) {
        resume();
        return false;
    }
    endWorker();
    emit pauseChanged();
    return true;
}

bool ScanEngine::close()
{
    if (worker)
        endWorker();
    threats->clear();
    shutdownLibrary();
    return true;
}

void ScanEngine::trustThreat(int threat_index)
{
    ThreatItem* item = threats->threatAt(threat_index);
    if (!item)
        return;
    qDebug().noquote() << "trust file:" << item->file();
    threats->removeThreat(item);
    // The scanning view's count follows the list, which the details window
    // may change while the scan runs.
    emit threatsCountChanged(threats->rowCount());
}

void ScanEngine::Repair()
{
    QSet<QString> removed;
    QSet<QString> failed;
    // Last row first. Events are processed between files, so a Trust click
    // may take a row away meanwhile: each row is taken afresh, and a row is
    // dropped only while it still holds the item whose file was handled.
    for (int row = threats->rowCount() - 1; row >= 0; row = std::min(row - 1, threats->rowCount() - 1)) {
        ThreatItem* item = threats->threatAt(row);
        // The item's own path: the model's text is escaped for the eye.
        const QString path = item->file();
        // Overlapping targets list a file twice; it is removed once.
        if (!removed.contains(path)) {
            if (removeThreatFile(path)) {
                removed.insert(path);
                failed.remove(path);
            } else {
                failed.insert(path);
            }
        }
        QCoreApplication::processEvents();
        if (threats->threatAt(row) == item)
            threats->removeAt(row);
    }
    notRemoved = static_cast<int>(failed.size());
    emit notRemovedCountChanged();
    emit repairFinished();
}
