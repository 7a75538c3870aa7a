#include "ScanThread.h"

#include "EnumThread.h"
#include "LookupPool.h"

#include <nimbix/INimbix.h>
#include <safetext/qsafetext.h>

#include <QDebug>
#include <QMutexLocker>

#include <exception>

namespace {

// Once the worker has caught up with the enumeration it looks for new files
// this often.
constexpr unsigned long kPollMs = 100;

} // namespace

ScanThread::ScanThread(QObject* parent, Lookups lookupMode)
    : QThread(parent)
    , lookups(lookupMode)
{
}

ScanThread::~ScanThread()
{
    stop();
    wait();
}

void ScanThread::setCustomScan(bool customScan)
{
    QMutexLocker locker(&lock);
    custom = customScan;
}

void ScanThread::addTarget(QDir dir, bool recursive)
{
    if (!dir.exists())
        return;
    QMutexLocker locker(&lock);
    targets.append(DirectoryEntry{dir, recursive});
}

void ScanThread::pause()
{
    QMutexLocker locker(&lock);
    paused = true;
}

void ScanThread::resume()
{
    QMutexLocker locker(&lock);
    paused = false;
    wake.wakeAll();
}

void ScanThread::stop()
{
    {
        QMutexLocker locker(&lock);
        stopped = true;
    }
    resume();
    endEnumeration();
}

bool ScanThread::isStopped()
{
    QMutexLocker locker(&lock);
    return stopped;
}

bool ScanThread::isPaused()
{
    QMutexLocker locker(&lock);
    return paused;
}

long ScanThread::savedLookups()
{
    QMutexLocker locker(&lock);
    return saved;
}

void ScanThread::onFileFound(QString file)
{
    QMutexLocker locker(&lock);
    fileQueue.append(QFileInfo(file));
    wake.wakeAll();
}

void ScanThread::onEnumFinished()
{
    QMutexLocker locker(&lock);
    if (!enumThread)
        return;
    enumThread->wait();
    delete enumThread;
    enumThread = nullptr;
    wake.wakeAll();
}

// The enumeration thread never takes this lock, so waiting for it while
// holding the lock cannot deadlock.
void ScanThread::endEnumeration()
{
    QMutexLocker locker(&lock);
    if (!enumThread)
        return;
    enumThread->stop();
    enumThread->wait();
    delete enumThread;
    enumThread = nullptr;
}

void ScanThread::waitWhilePaused()
{
    QMutexLocker locker(&lock);
    while (paused)
        wake.wait(&lock);
}

void ScanThread::startEnumeration()
{
    QMutexLocker locker(&lock);
    if (stopped)
        return;
    enumThread = new EnumThread(targets, !custom);
    // Owned and deleted on this object's thread, where the slots run.
    enumThread->moveToThread(thread());
    connect(enumThread, &EnumThread::filefound, this, &ScanThread::onFileFound);
    connect(enumThread, &EnumThread::enumFinished, this, &ScanThread::onEnumFinished);
    enumThread->start(QThread::InheritPriority);
}

QString ScanThread::nextFile(qsizetype index, qsizetype total)
{
    QFileInfo entry;
    {
        QMutexLocker locker(&lock);
        entry = fileQueue.at(index);
    }
    const QString path = entry.absoluteFilePath();
    if (entry.fileName() == QLatin1String("AppContainerUserCertRead"))
        qDebug().noquote() << '"' + safetext::escaped(path) + '"';
    emit scanProgress(QDir::toNativeSeparators(path), static_cast<long>(index + 1), static_cast<long>(total));
    return path;
}

void ScanThread::reportThreat(const QString& path, const QString& name)
{
    qDebug().noquote().nospace() << "virus: " << safetext::escaped(path) << " [" << safetext::escaped(name) << "]";
    emit threatFound(path, name);
}

void ScanThread::reportNotChecked(const QString& path, const QString& cause)
{
    qDebug().noquote() << "query_file exception: " + safetext::escaped(cause);
    emit fileNotChecked(path, cause);
}

void ScanThread::run()
{
    Cloud::INimbix* core = nullptr;
    QString reason;
    try {
        CreateInstance(&core);
    } catch (const std::exception& e) {
        reason = QStringLiteral(": ") + QString::fromLocal8Bit(e.what());
    }
    if (!core) {
        qDebug().noquote() << "create core failed" + safetext::escaped(reason);
        // Without a lookup object there is no scan; the owner still needs the
        // end of it, or it would wait for a scan that never comes.
        emit serverError();
        emit scanFinished();
        return;
    }

    if (!core->is_online()) {
        emit serverError();
    } else {
        startEnumeration();
        if (lookups == Lookups::OneAtATime)
            scanOneAtATime(core);
        else
            scanTogether();
    }

    core->release();
    emit scanFinished();
    qDebug() << "scan threat exit.";
}

// Hands out the files in the order they were found, as lanes come free,
// and reports the lookups' results as they come back. Every signal leaves
// from this thread. A pause hands out no more files; the lookups in flight
// finish and are reported. After a stop they finish unreported.
void ScanThread::scanTogether()
{
    LookupPool pool(kLookupsInFlight, [this] {
        QMutexLocker locker(&lock);
        ++news;
        wake.wakeAll();
    });
    qsizetype handedOut = 0;
    for (;;) {
        qsizetype queued = 0;
        bool enumerating = false;
        bool pausing = false;
        unsigned long seen = 0;
        {
            QMutexLocker locker(&lock);
            if (stopped)
                break;
            queued = fileQueue.size();
            enumerating = enumThread != nullptr;
            pausing = paused;
            seen = news;
        }
        for (const LookupPool::Result& result : pool.takeResults()) {
            if (!result.verdict)
                reportNotChecked(result.path, result.cause);
            else if (result.verdict->second == Cloud::FILE_DANGEROUS)
                reportThreat(result.path, result.verdict->first);
            if (result.saved) {
                QMutexLocker locker(&lock);
                ++saved;
            }
        }
        while (!pausing && handedOut < queued && pool.hasRoom()) {
            pool.start(nextFile(handedOut, queued));
            ++handedOut;
        }
        if (handedOut == queued && !enumerating && pool.outstanding() == 0)
            break;

        QMutexLocker locker(&lock);
        if (news == seen && !stopped && paused == pausing && fileQueue.size() == queued
            && (enumThread != nullptr) == enumerating)
            wake.wait(&lock, kPollMs);
    }
}

void ScanThread::scanOneAtATime(Cloud::INimbix* core)
{
    long scanned = 0;
    for (;;) {
        waitWhilePaused();
        if (isStopped())
            break;

        qsizetype queued = 0;
        bool enumerating = false;
        {
            QMutexLocker locker(&lock);
            queued = fileQueue.size();
            enumerating = enumThread != nullptr;
        }
        if (scanned == queued) {
            if (!enumerating)
                break;
            QThread::msleep(kPollMs);
            continue;
        }

        const QString path = nextFile(scanned, queued);
        ++scanned;
        try {
            const QPair<QString, Cloud::FileResult> verdict = core->query_file(path);
            if (verdict.second == Cloud::FILE_DANGEROUS)
                reportThreat(path, verdict.first);
        } catch (const std::exception& e) {
            reportNotChecked(path, QString::fromLocal8Bit(e.what()));
        }
    }
}
