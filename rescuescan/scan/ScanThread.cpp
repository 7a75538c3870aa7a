#include "ScanThread.h"

#include "EnumThread.h"

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

ScanThread::ScanThread(QObject* parent)
    : QThread(parent)
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

void ScanThread::onFileFound(QString file)
{
    QMutexLocker locker(&lock);
    fileQueue.append(QFileInfo(file));
}

void ScanThread::onEnumFinished()
{
    QMutexLocker locker(&lock);
    if (!enumThread)
        return;
    enumThread->wait();
    delete enumThread;
    enumThread = nullptr;
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
        {
            QMutexLocker locker(&lock);
            if (!stopped) {
                enumThread = new EnumThread(targets, !custom);
                // Owned and deleted on this object's thread, where the slots run.
                enumThread->moveToThread(thread());
                connect(enumThread, &EnumThread::filefound, this, &ScanThread::onFileFound);
                connect(enumThread, &EnumThread::enumFinished, this, &ScanThread::onEnumFinished);
                enumThread->start(QThread::InheritPriority);
            }
        }
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

            QFileInfo entry;
            {
                QMutexLocker locker(&lock);
                entry = fileQueue.at(scanned);
            }
            const QString path = entry.absoluteFilePath();
            if (entry.fileName() == QLatin1String("AppContainerUserCertRead"))
                qDebug().noquote() << '"' + safetext::escaped(path) + '"';

            ++scanned;
            emit scanProgress(QDir::toNativeSeparators(path), scanned, static_cast<long>(queued));

            try {
                const QPair<QString, Cloud::FileResult> verdict = core->query_file(path);
                if (verdict.second == Cloud::FILE_DANGEROUS) {
                    qDebug().noquote().nospace() << "virus: " << safetext::escaped(path) << " ["
                                                 << safetext::escaped(verdict.first) << "]";
                    emit threatFound(path, verdict.first);
                }
            } catch (const std::exception& e) {
                const QString cause = QString::fromLocal8Bit(e.what());
                qDebug().noquote() << "query_file exception: " + safetext::escaped(cause);
                emit fileNotChecked(path, cause);
            }
        }
    }

    core->release();
    emit scanFinished();
    qDebug() << "scan threat exit.";
}
