#pragma once

#include "ProgressLine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <atomic>

class ScanThread;

// Shows one scan on the console: the progress, each threat as it is found,
// the totals at the end; removes the threat files when asked to, and ends
// the event loop with the exit status of "rescuectl scan".
class ScanConsole : public QObject {
    Q_OBJECT

public:
    ScanConsole(ScanThread* worker, bool removeThreats, QObject* parent = nullptr);
    ~ScanConsole() override;

public slots:
    void onScanProgress(QString currentObject, long scanned, long total);
    void onThreatFound(QString threat_file, QString threat_name);
    void onFileNotChecked(QString file, QString reason);
    void onServerError();
    void onScanFinished();

private:
    // The scan's diagnostics, from any thread: printed through the status
    // line, and the files whose lookup failed counted for the totals.
    static void onLogMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);
    // Whether every threat file is gone.
    bool removeThreatFiles();

    ScanThread* const worker;
    const bool removeThreats;
    ProgressLine line;
    QElapsedTimer elapsed;
    long scannedCount = 0;
    long totalCount = 0;
    QStringList threatFiles;
    long uncheckedCount = 0;
    bool serverUnreachable = false;
};
