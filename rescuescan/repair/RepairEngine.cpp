#include "RepairEngine.h"

#include "EightBit.h"
#include "QRepairItemInfo.h"
#include "QRepairWorkThread.h"
#include "SystemPaths.h"
#include "app/showquestion.h"

#include <hivemend/CRegFix.h>
#include <safetext/qsafetext.h>

#include <QDebug>
#include <QMessageBox>
#include <QWidget>

#include <stdexcept>

namespace {

void tell(QMessageBox::Icon icon, const QString& text, const QString& details = QString())
{
    QMessageBox box(icon, QString(), text);
    box.setInformativeText(details);
    box.exec();
}

} // namespace

RepairEngine::RepairEngine(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<ItemStatus>("ItemStatus");
}

RepairEngine::~RepairEngine()
{
    if (worker) {
        worker->stop();
        worker->wait();
        delete worker;
    }
    repairModel.clear();
    delete repair;
}

QRepairModel* RepairEngine::model()
{
    return &repairModel;
}

bool RepairEngine::isRunning() const
{
    return worker != nullptr;
}

int RepairEngine::scannedCount() const
{
    return itemsDone;
}

int RepairEngine::totalCount() const
{
    return itemsInAll;
}

bool RepairEngine::isScanned() const
{
    return scanned;
}

QString RepairEngine::failure() const
{
    return lastFailure;
}

QWidget* RepairEngine::questionParent() const
{
    return qobject_cast<QWidget*>(parent());
}

void RepairEngine::initEngine()
{
    repair = new CRegFix;
    const QString drive = SystemPaths::windowsDrive();
    if (drive.isEmpty())
        throw std::runtime_error("directory empty");
    qDebug() << "dir: " << drive;
    repair->SetHiveFileDriver(toEightBit(drive).constData());
    repair->LoadRuleDB(toEightBit(SystemPaths::registryRulesPath()).constData());
}

bool RepairEngine::startEngine()
{
    try {
        initEngine();
        return true;
    } catch (const std::exception& e) {
        qDebug() << "Repair Engine initialize failed: " << e.what();
        delete repair;
        repair = nullptr;
        noteFailure(SystemPaths::windowsDrive().isEmpty()
                        ? tr("No Windows drive was found in %1.").arg(safetext::escaped(SystemPaths::windowsPath()))
                        : safetext::escaped(fromEightBit(e.what())));
        return false;
    }
}

bool RepairEngine::Scan()
{
    if (worker)
        return false;
    repairModel.clear();
    lastFailure.clear();
    emit failureChanged();
    if (!repair && !startEngine()) {
        tell(QMessageBox::Critical, tr("Scan Failed."), lastFailure);
        return false;
    }
    scanned = true;
    emit scannedStateChanged();
    startWorker(QRepairWorkThread::WORK_SCAN);
    return true;
}

void RepairEngine::Repair()
{
    if (worker || !repair)
        return;
    lastFailure.clear();
    emit failureChanged();
    startWorker(QRepairWorkThread::WORK_REPAIR);
}

void RepairEngine::startWorker(int mode)
{
    worker = new QRepairWorkThread(repair, mode);
    connect(worker, &QRepairWorkThread::scanProgress, this, &RepairEngine::onScanProgress);
    connect(worker, &QRepairWorkThread::workFailed, this, &RepairEngine::onWorkFailed);
    if (mode == QRepairWorkThread::WORK_SCAN) {
        connect(worker, &QRepairWorkThread::workFinished, this, &RepairEngine::onScanFinished);
        connect(worker, &QRepairWorkThread::repairItemInfo, this, &RepairEngine::onRepairItemInfo);
    } else {
        connect(worker, &QRepairWorkThread::workFinished, this, &RepairEngine::onRepairFinished);
        connect(worker, &QRepairWorkThread::beginRepair, this, &RepairEngine::onBeginRepair);
        connect(worker, &QRepairWorkThread::endRepair, this, &RepairEngine::onEndRepair);
        worker->setModel(&repairModel);
    }
    worker->start(QThread::InheritPriority);
}

void RepairEngine::endWorker()
{
    worker->stop();
    worker->wait();
    // As long as it exists no newer worker can take its address, so its
    // reports still on their way are told apart from a newer one's.
    worker->deleteLater();
    worker = nullptr;
}

bool RepairEngine::fromStaleWorker() const
{
    const QObject* from = sender();
    return from && worker && from != worker;
}

bool RepairEngine::takeFinishedWorker()
{
    if (fromStaleWorker())
        return false;
    if (worker) {
        worker->wait();
        worker->deleteLater();
        worker = nullptr;
    }
    return true;
}

bool RepairEngine::abort()
{
    if (!worker)
        return false;
    pause();
    const bool yes = showQuestion(questionParent(), tr("Warning"), tr("Are you sure to stop scanning?")) == 1;
    bool stopped = false;
    // The work may have ended while the question was open.
    if (yes && worker) {
        endWorker();
        stopped = true;
    }
    resume();
    return stopped;
}

void RepairEngine::pause()
{
    if (worker)
        worker->pause();
}

void RepairEngine::resume()
{
    if (worker)
        worker->resume();
}

void RepairEngine::Restore()
{
    if (worker)
        return;
    if (!repair && !startEngine()) {
        tell(QMessageBox::Critical, tr("scan failed"), lastFailure);
        return;
    }
    const int restored = repair->RestoreHiveFile();
    tell(QMessageBox::Information, restored ? tr("Restore successfully!") : tr("Restore failed!"));
}

int RepairEngine::getProblemCount()
{
    int problems = 0;
    for (int row = 0; row < repairModel.rowCount(); ++row) {
        if (repairModel.data(repairModel.index(row), QRepairModel::StatusRole).toInt() == FoundProblem)
            ++problems;
    }
    return problems;
}

void RepairEngine::onScanProgress(long done, long total)
{
    if (fromStaleWorker())
        return;
    itemsDone = static_cast<int>(done);
    itemsInAll = static_cast<int>(total);
    emit scannedChanged();
    emit totalChanged();
}

void RepairEngine::onRepairItemInfo(ItemStatus status, int index, QString desc)
{
    if (fromStaleWorker())
        return;
    repairModel.addItem(new QRepairItemInfo(desc, status, index, &repairModel));
}

void RepairEngine::onBeginRepair(long index)
{
    repairModel.setData(repairModel.index(static_cast<int>(index)), Repairing, QRepairModel::StatusRole);
}

void RepairEngine::onEndRepair(long index)
{
    repairModel.setData(repairModel.index(static_cast<int>(index)), Fixed, QRepairModel::StatusRole);
}

void RepairEngine::onWorkFailed(int row, QString reason)
{
    if (fromStaleWorker())
        return;
    if (row < 0) {
        noteFailure(reason);
        return;
    }
    // Still a problem: the row says so, and the page counts it.
    repairModel.setData(repairModel.index(row), FoundProblem, QRepairModel::StatusRole);
    noteFailure(reason.isEmpty()
                    ? tr("The changes could not be written: the Windows drive may be read-only, or a hive damaged.")
                    : tr("The changes could not be written: %1").arg(reason));
}

void RepairEngine::noteFailure(const QString& text)
{
    // The first failure is the one that tells what happened.
    if (!lastFailure.isEmpty())
        return;
    lastFailure = text;
    emit failureChanged();
}

void RepairEngine::onScanFinished()
{
    if (takeFinishedWorker())
        emit scanFinished(QVariant(QStringLiteral("scan")));
}

void RepairEngine::onRepairFinished()
{
    qDebug() << "repair finished";
    if (takeFinishedWorker())
        emit scanFinished(QVariant(QStringLiteral("repair")));
}
