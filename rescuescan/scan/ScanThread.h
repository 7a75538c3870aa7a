#pragma once

#include "DirectoryList.h"

#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

namespace Cloud {
class INimbix;
}

class EnumThread;

// The worker of one scan. Its thread hands each file that its enumeration
// thread reports to the lookups, kLookupsInFlight of them in flight at once
// (each on a thread of its own), and reports progress, threats and files
// not checked; a digest is asked about once per scan. The object itself
// lives on the thread that created it, where its slots run and collect the
// reports. Created, started, stopped and deleted by one owner per scan.
class ScanThread : public QThread {
    Q_OBJECT

public:
    // A round trip to the service on the internet costs far more than
    // hashing a file: this many in flight hide it, with one connection each.
    static constexpr int kLookupsInFlight = 16;

    enum class Lookups {
        Together,
        // One after the other on the worker's thread, as the first worker
        // did; kept for benchmarks that compare.
        OneAtATime,
    };

    explicit ScanThread(QObject* parent = nullptr, Lookups lookups = Lookups::Together);
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
    // Lookups this scan did not need: files whose digest an earlier file of
    // the scan had asked about.
    long savedLookups();

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
    void startEnumeration();
    void scanTogether();
    void scanOneAtATime(Cloud::INimbix* core);
    // The next file of the queue, counted as scanned and reported.
    QString nextFile(qsizetype index, qsizetype total);
    void reportThreat(const QString& path, const QString& name);
    void reportNotChecked(const QString& path, const QString& cause);
    void endEnumeration();

    DirectoryList targets;
    EnumThread* enumThread = nullptr;
    QList<QFileInfo> fileQueue;
    QMutex lock;
    bool stopped = false;
    bool paused = false;
    bool custom = false;
    const Lookups lookups;
    long saved = 0;
    // Changes when a lookup has news for the worker.
    unsigned long news = 0;
    QWaitCondition wake;
};
