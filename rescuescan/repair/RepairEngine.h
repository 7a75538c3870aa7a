#pragma once

#include "ItemStatus.h"
#include "QRepairModel.h"

#include <QObject>
#include <QString>
#include <QVariant>

class CRegFix;
class QRepairWorkThread;

// The registry repair controller the repair pages work with
// ("repair_engine"): owns the repair engine, started from the Windows drive
// and the rule database on first use, and the item list; runs a worker for
// each scan or repair; restores the hive backups. Lives on the GUI thread;
// its parent is the main window, which its questions take as their parent.
class RepairEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(int scannedCount READ scannedCount NOTIFY scannedChanged)
    Q_PROPERTY(int totalCount READ totalCount NOTIFY totalChanged)
    Q_PROPERTY(bool scanned READ isScanned NOTIFY scannedStateChanged)
    // Why the last scan could not finish or what of the last repair did not
    // land, in words for the person; empty when all went well.
    Q_PROPERTY(QString failure READ failure NOTIFY failureChanged)

public:
    explicit RepairEngine(QObject* parent = nullptr);
    // Stops and joins a worker still running: it uses the engine and the
    // model, which go with this object.
    ~RepairEngine() override;

    QRepairModel* model();
    bool isRunning() const;

    int scannedCount() const;
    int totalCount() const;
    bool isScanned() const;
    QString failure() const;

signals:
    void scannedChanged();
    void totalChanged();
    void scanFinished(QVariant scan_type);
    void scannedStateChanged();
    void failureChanged();

public slots:
    void onScanProgress(long done, long total);
    void onScanFinished();
    void onBeginRepair(long index);
    void onEndRepair(long index);
    void onRepairFinished();
    void onRepairItemInfo(ItemStatus status, int index, QString desc);
    void onWorkFailed(int row, QString reason);

public:
    Q_INVOKABLE bool Scan();
    Q_INVOKABLE bool abort();
    Q_INVOKABLE void pause();
    Q_INVOKABLE void resume();
    Q_INVOKABLE void Repair();
    Q_INVOKABLE void Restore();
    Q_INVOKABLE int getProblemCount();

private:
    // Creates the engine on the Windows drive with the rule database;
    // throws what went wrong.
    void initEngine();
    // initEngine, and on failure no engine and false.
    bool startEngine();
    void startWorker(int mode);
    // Stops the worker, joins its thread and lets it go once its reports
    // still on their way have arrived.
    void endWorker();
    // Lets a finished worker go; false for the report of an earlier worker
    // while a newer one runs.
    bool takeFinishedWorker();
    bool fromStaleWorker() const;
    void noteFailure(const QString& text);
    QWidget* questionParent() const;

    QRepairWorkThread* worker = nullptr;
    QRepairModel repairModel;
    int itemsDone = 0;
    int itemsInAll = 0;
    CRegFix* repair = nullptr;
    bool scanned = false;
    QString lastFailure;
};
