#pragma once

#include "ItemStatus.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

class CRegFix;
class QRepairModel;

// The worker of one registry scan or repair: scans every item of the repair
// engine, or repairs the listed items that have a problem, one after the
// other, off the GUI thread. Created, started, stopped and deleted by the
// repair controller; nothing else uses the engine while it runs.
class QRepairWorkThread : public QThread {
    Q_OBJECT

public:
    enum Mode {
        WORK_SCAN = 0,
        WORK_REPAIR = 1,
    };

    QRepairWorkThread(CRegFix* engine, int mode, QObject* parent = nullptr);

    // The list whose rows a repair works through.
    void setModel(QRepairModel* model);

    // The flags are looked at between items only.
    void pause();
    void resume();
    void stop();
    bool isStopped();

signals:
    void scanProgress(long scanned, long total);
    void workFinished();
    void repairItemInfo(ItemStatus status, int index, QString description);
    void beginRepair(long row);
    void endRepair(long row);
    // What did not go as it should, in words for the person: a scan that
    // could not go on (row -1), or the repair of a row that did not land.
    void workFailed(int row, QString reason);

protected:
    void run() override;

private:
    void waitWhilePaused();
    void scanItems();
    void repairItems();

    bool stopRequested = false;
    QMutex mutex;
    CRegFix* engine;
    int mode;
    QRepairModel* model = nullptr;
    bool paused = false;
    QWaitCondition pauseCondition;
};
