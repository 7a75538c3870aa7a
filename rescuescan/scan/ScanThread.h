#pragma once

#include "DirectoryList.h"

#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

class EnumThread;

// The worker of one scan. Its thread asks the lookup service about each file
// that its enumeration thread reports, one after the other; the object itself
// lives on the thread that created it, where its slots run and collect the
// reports. Created, started, stopped and deleted by one owner per scan.
class ScanThread : public QThread {
    Q_OBJECT

public:
    explicit ScanThread(QObject* parent = nullptr);
    // Stops and joins a scan still running, so the object can always go.
    ~ScanThread() override;

    // Both are meant for before start(): quick and full scans follow links in
    // the first listing of each target, custom scans never do.
    void setCustomScan(bool custom);
    // A folder that does not exist is dropped.
    void addTarget(QDir dir, bool recursive);

    // Holds the worker back between two files; the enumeration goes on.
    void pause();
    void resume();
    // Ends the enumeration and has the worker leave its loop; the caller then
    // waits for the worker's thread.
    void stop();
    bool isStopped();
    bool isPaused();

signals:
    void serverError();
    void scanProgress(QString currentObject, long scanned, long total);
    void scanFinished();
    void threatFound(QString threat_file, QString threat_name);
    // A file counted as scanned whose verdict could not be had (unreadable,
    // gone, too large, no usable answer): it is neither clean nor a threat.
    void fileNotChecked(QString file, QString reason);

public slots:
    void onFileFound(QString file);
    void onEnumFinished();

protected:
    void run() override;

private:
    void waitWhilePaused();
    void scanQueue();
    void endEnumeration();

    DirectoryList targets;
    EnumThread* enumThread = nullptr;
    QList<QFileInfo> fileQueue;
    QMutex lock;
    bool stopped = false;
    bool paused = false;
    bool custom = false;
    QWaitCondition wake;
};
