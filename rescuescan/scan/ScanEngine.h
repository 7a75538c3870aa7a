#pragma once

#include "DirectoryList.h"

#include <QObject>
#include <QString>
#include <QTimer>

class ScanThread;
class ThreatModel;

// The scan controller the pages work with ("engine"): starts a worker per
// scan, turns its reports into properties, keeps the threats found, counts
// the time, pauses, resumes and aborts, and removes the threat files the
// user did not trust. Lives on the GUI thread; its parent is the main window,
// which its questions take as their parent.
class ScanEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(long scannedCount READ scannedCount NOTIFY scannedCountChanged)
    Q_PROPERTY(long totalCount READ totalCount NOTIFY totalCoundChanged)
    Q_PROPERTY(QString currentObject READ currentObject NOTIFY currentObjectChanged)
    Q_PROPERTY(long threatsCount READ threatsCount NOTIFY threatsCountChanged)
    Q_PROPERTY(QString elapsedTime READ elapsedTime NOTIFY elapsedTimeChanged)
    Q_PROPERTY(bool paused READ paused NOTIFY pauseChanged)
    // What the result views add so that a scan never looks cleaner than it
    // was: files whose verdict could not be had, whether the service could
    // not be reached at all, and threat files the removal could not delete.
    Q_PROPERTY(int notCheckedCount READ notCheckedCount NOTIFY notCheckedCountChanged)
    Q_PROPERTY(bool serverUnreachable READ serverUnreachable NOTIFY serverUnreachableChanged)
    Q_PROPERTY(int notRemovedCount READ notRemovedCount NOTIFY notRemovedCountChanged)

public:
    explicit ScanEngine(QObject* parent = nullptr);
    // Stops and joins a scan still running (the main window closes the
    // controller first, but a window closed by other means does not).
    ~ScanEngine() override;

    long scannedCount() const;
    long totalCount() const;
    QString currentObject() const;
    long threatsCount() const;
    QString elapsedTime() const;
    bool paused() const;
    int notCheckedCount() const;
    bool serverUnreachable() const;
    int notRemovedCount() const;

    bool isRunning() const;
    ThreatModel* threatModel() const;

signals:
    void repairFinished();
    void scanFinished();
    void scannedCountChanged(long scanned);
    void totalCoundChanged(long total);
    void currentObjectChanged(QString currentObject);
    void threatsCountChanged(long threats_count);
    void elapsedTimeChanged();
    void pauseChanged();
    void notCheckedCountChanged();
    void serverUnreachableChanged();
    void notRemovedCountChanged();

public slots:
    void onTimeout();
    void onScanProgress(QString currentObject, long scanned, long total);
    void onScanFinished();
    void onThreatFound(QString threat_file, QString threat_name);
    void onServerError();
    void onFileNotChecked(QString file, QString reason);

public:
    Q_INVOKABLE void quickScan();
    Q_INVOKABLE void fullScan();
    Q_INVOKABLE void customScan(DirectoryList list);
    Q_INVOKABLE void Repair();
    Q_INVOKABLE bool abort();
    Q_INVOKABLE bool close();
    Q_INVOKABLE void pause();
    Q_INVOKABLE void resume();
    Q_INVOKABLE void trustThreat(int threat_index);

private:
    void startScan(const DirectoryList& list, bool custom);
    // Stops the worker, joins its thread and lets it go; its last reports
    // are still on their way and arrive after this returns.
    void endWorker();
    // Whether a report comes from an earlier worker while a newer scan runs.
    bool fromStaleWorker() const;
    QWidget* questionParent() const;

    ScanThread* worker = nullptr;
    long scanned = 0;
    long total = 0;
    QString current;
    ThreatModel* threats;
    QTimer timer;
    int elapsedSeconds = 0;
    int notChecked = 0;
    bool unreachable = false;
    int notRemoved = 0;
};
