#pragma once

#include "ProgressLine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

class ScanThread;

// Shows one scan on the console: the progress, each threat as it is found,
// the totals at the end; removes the threat files when asked to, and ends
// the event loop with the exit status of "rescuectl scan".
class ScanConsole : public QObject {
    Q_OBJECT

public:
    ScanConsole(ScanThread* worker, bool removeThreats, QObject* parent = nullptr);

public slots:
    void onScanProgress(QString currentObject, long scanned, long total);
    void onThreatFound(QString threat_file, QString threat_name);
    void onServerError();
    void onScanFinished();

private:
    // Whether every threat file is gone.
    bool removeThreatFiles();

    ScanThread* const worker;
    const bool removeThreats;
    ProgressLine line;
    QElapsedTimer elapsed;
    long scannedCount = 0;
    long totalCount = 0;
    QStringList threatFiles;
    bool serverUnreachable = false;
};
