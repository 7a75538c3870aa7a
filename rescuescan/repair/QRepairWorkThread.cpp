#include "QRepairWorkThread.h"

#include "EightBit.h"
#include "QRepairModel.h"

#include <hivemend/CRegFix.h>
#include <safetext/qsafetext.h>

#include <QDebug>
#include <QMutexLocker>

#include <exception>

namespace {

// Every item takes at least this long, so that a person can follow the
// list as it fills.
constexpr unsigned long kItemPauseMs = 300;

QString failureText(const std::exception& e)
{
    return safetext::escaped(fromEightBit(e.what()));
}

} // namespace

QRepairWorkThread::QRepairWorkThread(CRegFix* repairEngine, int workMode, QObject* parent)
    : QThread(parent)
    , engine(repairEngine)
    , mode(workMode)
{
}

void QRepairWorkThread::setModel(QRepairModel* repairModel)
{
    model = repairModel;
}

void QRepairWorkThread::pause()
{
    QMutexLocker locker(&mutex);
    paused = true;
}

void QRepairWorkThread::resume()
{
    QMutexLocker locker(&mutex);
    paused = false;
    pauseCondition.wakeAll();
}

void QRepairWorkThread::stop()
{
    {
        QMutexLocker locker(&mutex);
        stopRequested = true;
    }
    resume();
}

bool QRepairWorkThread::isStopped()
{
    QMutexLocker locker(&mutex);
    return stopRequested;
}

void QRepairWorkThread::waitWhilePaused()
{
    QMutexLocker locker(&mutex);
    while (paused)
        pauseCondition.wait(&mutex);
}

void QRepairWorkThread::run()
{
    if (mode == WORK_SCAN)
        scanItems();
    else if (mode == WORK_REPAIR && model)
        repairItems();
    emit workFinished();
}

void QRepairWorkThread::scanItems()
{
    try {
        // A backup that exists is never replaced, so the backups keep the
        // hives as they were before the first scan that made them.
        engine->BakHiveFile();
        emit scanProgress(0, static_cast<long>(engine->getCount()));
        char buffer[1024] = {};
        for (unsigned i = 0; i < engine->getCount(); ++i) {
            waitWhilePaused();
            if (isStopped())
                break;
            engine->getItemInfo(i, buffer, 324);
            const int verdict = engine->getItemState(i);
            emit scanProgress(static_cast<long>(i), static_cast<long>(engine->getCount()));
            qDebug() << "info: " << buffer << (verdict == 1 ? "true" : "false");
            emit repairItemInfo(verdict == 1 ? FoundProblem : NoProblem, static_cast<int>(i), fromEightBit(buffer));
            msleep(kItemPauseMs);
        }
        emit scanProgress(static_cast<long>(engine->getCount()), static_cast<long>(engine->getCount()));
    } catch (const std::exception& e) {
        qDebug() << "repair excetion: " << e.what();
        emit workFailed(-1, failureText(e));
    }
}

void QRepairWorkThread::repairItems()
{
    const int rows = model->rowCount();
    emit scanProgress(0, rows);
    for (int r = 0; r < model->rowCount(); ++r) {
        waitWhilePaused();
        if (isStopped())
            break;
        const QModelIndex row = model->index(r);
        const int status = model->data(row, QRepairModel::StatusRole).toInt();
        const int index = model->data(row, QRepairModel::RecordIndexRole).toInt();
        if (status == FoundProblem) {
            qDebug() << "repair: " << r << " total: " << rows << " value:" << index;
            emit beginRepair(r);
            // A repair that did not land (a hive that cannot be opened or
            // written, a failed save) is reported, never shown as fixed.
            try {
                if (engine->Repair(static_cast<unsigned>(index)) == 1)
                    emit endRepair(r);
                else
                    emit workFailed(r, QString());
            } catch (const std::exception& e) {
                qDebug() << "repair excetion: " << e.what();
                emit workFailed(r, failureText(e));
            }
        }
        emit scanProgress(r, rows);
    }
    emit scanProgress(rows, rows);
}
