// The registry repair controller, its worker and its item list, on fixture
// Windows installations with planted damage, as the repair pages use them.

#include "ItemStatus.h"
#include "QRepairItemInfo.h"
#include "QRepairModel.h"
#include "RepairEngine.h"
#include "app/fontfallbacks.h"
#include "widgets/registercursorarea.h"

#include "ScanFixtures.h"
#include "support/modalwatch.h"
#include "support/questions.h"
#include "support/testinstallation.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int kTimeoutMs = 60000;

// Three sections: the Winlogon shell and a Task Manager debugger, which the
// planted damage breaks, and the logon program, which it leaves alone.
const QByteArray threeSections = R"({
  "Winlogon shell": [
    { "key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
      "value": { "Shell": { "type": "REG_SZ", "value": "explorer.exe" } } }
  ],
  "Task Manager debugger": [
    { "key": "-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\taskmgr.exe",
      "value": {} }
  ],
  "Logon program": [
    { "key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
      "value": { "Userinit": { "type": "REG_SZ", "value": "C:\\Windows\\system32\\userinit.exe," } } }
  ]
})";

// A damaged installation under RESCUESCAN_SYSROOT for one test.
struct Damaged
{
    TestInstallation installation;

    explicit Damaged(const QByteArray &rules = threeSections)
    {
        installation.plantRegistryDamage();
        installation.installRules(rules);
        qputenv("RESCUESCAN_SYSROOT", QFile::encodeName(installation.sysroot()));
    }
    ~Damaged() { qunsetenv("RESCUESCAN_SYSROOT"); }

    QString software() const { return installation.hive(QStringLiteral("SOFTWARE")); }
};

bool chattr(const QString &file, bool immutable)
{
    return ScanFixtures::runningAsRoot()
        && QProcess::execute(QStringLiteral("chattr"), {immutable ? QStringLiteral("+i") : QStringLiteral("-i"), file}) == 0;
}

// The texts of the message boxes the code shows, each closed as it comes.
struct MessageBoxes
{
    QStringList texts;
    ModalWatch watch{ModalWatch::ofType<QMessageBox>(), [this](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        texts << box->text();
        box->accept();
    }, true};
};

} // namespace

class TestRepairEngine : public QObject
{
    Q_OBJECT

private:
    QWidget window;

    static bool runToEnd(QSignalSpy &finished, int count = 1)
    {
        return QTest::qWaitFor([&] { return finished.count() >= count; }, kTimeoutMs);
    }

    static QStringList rows(QRepairModel *model)
    {
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row);
            out << QStringLiteral("%1 %2").arg(model->data(index, QRepairModel::DescriptionRole).toString())
                       .arg(model->data(index, QRepairModel::StatusRole).toInt());
        }
        return out;
    }

    static QString finishedAs(const QSignalSpy &finished, int at = 0)
    {
        return finished.at(at).at(0).value<QVariant>().toString();
    }

private slots:
    void initTestCase()
    {
        registerCursorArea();
        installFontFallbacks();
        window.show();
    }

    // The list: problems first, the newest of each kind on top.
    void modelInsertionRule()
    {
        QRepairModel model;
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (const int status : {NoProblem, FoundProblem, NoProblem, FoundProblem})
            model.addItem(new QRepairItemInfo(QString::number(inserted.count()), status, inserted.count(), &model));
        QList<int> order;
        for (int row = 0; row < model.rowCount(); ++row)
            order << model.data(model.index(row), QRepairModel::RecordIndexRole).toInt();
        QCOMPARE(order, (QList<int>{3, 1, 2, 0}));
        QCOMPARE(inserted.count(), 4);

        // Only the status is set, and setting it moves nothing.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(!model.setData(model.index(0), QStringLiteral("x"), QRepairModel::DescriptionRole));
        QCOMPARE(model.data(model.index(0), QRepairModel::DescriptionRole).toString(), QStringLiteral("3"));
        QVERIFY(model.setData(model.index(0), Fixed, QRepairModel::StatusRole));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.data(model.index(0), QRepairModel::StatusRole).toInt(), int(Fixed));
        QCOMPARE(model.data(model.index(0), QRepairModel::RecordIndexRole).toInt(), 3);
        QVERIFY(!model.setData(model.index(9), Fixed, QRepairModel::StatusRole));
    }

    void modelRoles()
    {
        QRepairModel model;
        model.addItem(new QRepairItemInfo(QStringLiteral("Safe Mode boot keys"), FoundProblem, 7, &model));
        const QHash<int, QByteArray> roles = model.roleNames();
        QCOMPARE(roles.value(33), QByteArray("description"));
        QCOMPARE(roles.value(34), QByteArray("status"));
        QCOMPARE(roles.value(35), QByteArray("record_index"));
        const QModelIndex first = model.index(0);
        QCOMPARE(model.data(first, 33), QVariant(QStringLiteral("Safe Mode boot keys")));
        QCOMPARE(model.data(first, 34), QVariant(1));
        QCOMPARE(model.data(first, 35), QVariant(7));
        QCOMPARE(model.data(first, 32), QVariant(QString()));
        QCOMPARE(model.data(first, 36), QVariant(QString()));
        QCOMPARE(model.data(model.index(0).sibling(3, 0), 33), QVariant(QString()));
    }

    void modelClear()
    {
        QRepairModel model;
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        model.clear();
        QCOMPARE(removed.count(), 0);
        QPointer<QRepairItemInfo> item = new QRepairItemInfo(QStringLiteral("a"), NoProblem, 0, &model);
        model.addItem(item);
        model.addItem(new QRepairItemInfo(QStringLiteral("b"), NoProblem, 1, &model));
        model.clear();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(removed.at(0).at(2).toInt(), 1);
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(item.isNull());
    }

    void metaObjectAsThePagesKnowIt()
    {
        const QMetaObject &meta = RepairEngine::staticMetaObject;
        QStringList methods;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            methods << QString::fromLatin1(meta.method(i).methodSignature());
        QCOMPARE(methods, (QStringList{
            "scannedChanged()", "totalChanged()", "scanFinished(QVariant)", "scannedStateChanged()",
            "failureChanged()", "onScanProgress(long,long)", "onScanFinished()", "onBeginRepair(long)",
            "onEndRepair(long)", "onRepairFinished()", "onRepairItemInfo(ItemStatus,int,QString)",
            "onWorkFailed(int,QString)", "Scan()", "abort()", "pause()", "resume()", "Repair()", "Restore()",
            "getProblemCount()"}));
        QStringList properties;
        for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            QVERIFY(!property.isWritable());
            properties << QStringLiteral("%1 %2 %3").arg(QLatin1String(property.typeName()), QLatin1String(property.name()),
                                                     QString::fromLatin1(property.notifySignal().name()));
        }
        QCOMPARE(properties, (QStringList{"int scannedCount scannedChanged", "int totalCount totalChanged",
                                          "bool scanned scannedStateChanged", "QString failure failureChanged"}));
        RepairEngine engine(&window);
        QVERIFY(QMetaType::fromName("ItemStatus").isValid());
    }

    // Three items: the progress the page follows, at least 300 ms an item,
    // the problems on top, and hive backups made before anything else.
    void scanOfThreeItems()
    {
        Damaged damaged;
        const QByteArray softwareBefore = fileBytes(damaged.software());
        RepairEngine engine(&window);
        QSignalSpy finished(&engine, &RepairEngine::scanFinished);
        QSignalSpy stateChanged(&engine, &RepairEngine::scannedStateChanged);
        QList<QPair<int, int>> progress;
        connect(&engine, &RepairEngine::scannedChanged, &engine,
                [&] { progress << qMakePair(engine.scannedCount(), engine.totalCount()); });
        QVERIFY(!engine.isScanned());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(engine.Scan());
        QVERIFY(engine.isRunning());
        QVERIFY(engine.isScanned());
        QCOMPARE(stateChanged.count(), 1);
        QVERIFY(runToEnd(finished));
        const qint64 took = clock.elapsed();
        qInfo("a scan of 3 items took %lld ms", took);
        QVERIFY2(took >= 900, qPrintable(QString::number(took)));
        QCOMPARE(finishedAs(finished), QStringLiteral("scan"));
        QVERIFY(!engine.isRunning());
        QCOMPARE(progress, (QList<QPair<int, int>>{{0, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 3}}));
        QCOMPARE(rows(engine.model()), (QStringList{"Task Manager debugger 1", "Winlogon shell 1", "Logon program 0"}));
        QCOMPARE(engine.getProblemCount(), 2);
        QCOMPARE(engine.failure(), QString());
        QCOMPARE(fileBytes(damaged.software() + QStringLiteral(".bhv")), softwareBefore);
        QVERIFY(QFileInfo::exists(damaged.installation.userHive(QStringLiteral("Alice")) + QStringLiteral(".bhv")));
    }

    // Only the rows with a problem are repaired, each turning Repairing and
    // then Fixed; the fix lands in the hive on disk.
    void repairFixesTheProblemRows()
    {
        Damaged damaged;
        const QByteArray damagedSoftware = fileBytes(damaged.software());
        RepairEngine engine(&window);
        QSignalSpy finished(&engine, &RepairEngine::scanFinished);
        QVERIFY(engine.Scan());
        QVERIFY(runToEnd(finished));
        QList<QPair<int, int>> changes;
        connect(engine.model(), &QAbstractItemModel::dataChanged, &engine, [&](const QModelIndex &index) {
            changes << qMakePair(index.row(), engine.model()->data(index, QRepairModel::StatusRole).toInt());
        });
        engine.Repair();
        QVERIFY(engine.isRunning());
        QVERIFY(runToEnd(finished, 2));
        QCOMPARE(finishedAs(finished, 1), QStringLiteral("repair"));
        QCOMPARE(changes, (QList<QPair<int, int>>{{0, Repairing}, {0, Fixed}, {1, Repairing}, {1, Fixed}}));
        QCOMPARE(rows(engine.model()), (QStringList{"Task Manager debugger 3", "Winlogon shell 3", "Logon program 0"}));
        QCOMPARE(engine.getProblemCount(), 0);
        QCOMPARE(engine.failure(), QString());

        // A second scan reuses the engine, rules and all, and keeps the
        // backups of the damaged hives.
        QVERIFY(fileBytes(damaged.software()) != damagedSoftware);
        damaged.installation.installRules("this is no rule database");
        QVERIFY(engine.Scan());
        QVERIFY(runToEnd(finished, 3));
        QCOMPARE(rows(engine.model()), (QStringList{"Logon program 0", "Task Manager debugger 0", "Winlogon shell 0"}));
        QCOMPARE(fileBytes(damaged.software() + QStringLiteral(".bhv")), damagedSoftware);

        // Restore puts the hives back as they were before the first scan.
        MessageBoxes boxes;
        engine.Restore();
        QCOMPARE(boxes.texts, QStringList{"Restore successfully!"});
        QCOMPARE(fileBytes(damaged.software()), damagedSoftware);
    }

    void stopTheScan_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("confirmed") << true;
        QTest::newRow("not confirmed") << false;
    }

    // Stop confirmed: the worker ends after its item, the progress ends at
    // the whole and the page still hears of the end. Not confirmed: the scan
    // goes on where it was.
    void stopTheScan()
    {
        QFETCH(bool, confirm);
        Damaged damaged;
        RepairEngine engine(&window);
        QSignalSpy finished(&engine, &RepairEngine::scanFinished);
        QVERIFY(engine.Scan());
        QTRY_VERIFY_WITH_TIMEOUT(engine.model()->rowCount() >= 1, kTimeoutMs);
        QString asked;
        bool result = !confirm;
        QVERIFY(answering(confirm, [&] { result = engine.abort(); }, &asked));
        QCOMPARE(asked, QStringLiteral("Are you sure to stop scanning?"));
        QCOMPARE(result, confirm);
        QCOMPARE(engine.isRunning(), !confirm);
        QVERIFY(runToEnd(finished));
        QCOMPARE(finishedAs(finished), QStringLiteral("scan"));
        QCOMPARE(engine.scannedCount(), engine.totalCount());
        if (confirm)
            QVERIFY(engine.model()->rowCount() < 3);
        else
            QCOMPARE(engine.model()->rowCount(), 3);
        QTest::qWait(0);
        QCOMPARE(finished.count(), 1);
    }

    void abortWithoutWorkAsksNothing()
    {
        RepairEngine engine(&window);
        QVERIFY(!answering(true, [&] { QVERIFY(!engine.abort()); }));
    }

    void emptyRuleDatabase()
    {
        Damaged damaged("{}");
        RepairEngine engine(&window);
        QSignalSpy finished(&engine, &RepairEngine::scanFinished);
        QList<QPair<int, int>> progress;
        connect(&engine, &RepairEngine::scannedChanged, &engine,
                [&] { progress << qMakePair(engine.scannedCount(), engine.totalCount()); });
        QVERIFY(engine.Scan());
        QVERIFY(runToEnd(finished));
        QCOMPARE(progress, (QList<QPair<int, int>>{{0, 0}, {0, 0}}));
        QCOMPARE(engine.getProblemCount(), 0);
        QCOMPARE(engine.model()->rowCount(), 0);
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("no Windows drive") << "no drive";
        QTest::newRow("rule database missing") << "no rules";
        QTest::newRow("rule database damaged") << "bad rules";
    }

    // The engine cannot start: the scan says so and does not begin, and
    // Restore says the same; the next attempt starts afresh.
    void startFailures()
    {
        QFETCH(QString, what);
        Damaged damaged;
        if (what == QLatin1String("no drive"))
            QVERIFY(QFile::remove(damaged.installation.sysroot() + QStringLiteral("/windows/C")));
        else if (what == QLatin1String("no rules"))
            QVERIFY(QFile::remove(damaged.installation.sysroot() + QStringLiteral("/etc/registry.json")));
        else
            damaged.installation.installRules(R"({"A": [ { "key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "value": { "v": { "type": "REG_NONSENSE", "value": "1" } } } ]})");
        RepairEngine engine(&window);
        MessageBoxes boxes;
        QVERIFY(!engine.Scan());
        QVERIFY(!engine.isRunning());
        QVERIFY(!engine.isScanned());
        engine.Restore();
        QCOMPARE(boxes.texts, (QStringList{"Scan Failed.", "scan failed"}));
        QVERIFY(!engine.failure().isEmpty());
    }

    void restoreBeforeAnyBackup()
    {
        Damaged damaged;
        const QByteArray before = fileBytes(damaged.software());
        RepairEngine engine(&window);
        MessageBoxes boxes;
        engine.Restore();
        QCOMPARE(boxes.texts, QStringList{"Restore failed!"});
        QCOMPARE(fileBytes(damaged.software()), before);
    }

    // A hive that cannot be written: the repair is reported as failed, the
    // row keeps its problem, and the page is not told "Successfully
    // Repaired." over a repair that did not land.
    void repairThatCannotBeSaved()
    {
        Damaged damaged;
        RepairEngine engine(&window);
        QSignalSpy finished(&engine, &RepairEngine::scanFinished);
        QVERIFY(engine.Scan());
        QVERIFY(runToEnd(finished));
        const QByteArray before = fileBytes(damaged.software());
        if (!chattr(damaged.software(), true))
            QSKIP("cannot make the hive unwritable here (chattr +i needs root and an ext file system)");
        engine.Repair();
        const bool ended = runToEnd(finished, 2);
        chattr(damaged.software(), false);
        QVERIFY(ended);
        QCOMPARE(finishedAs(finished, 1), QStringLiteral("repair"));
        QCOMPARE(engine.getProblemCount(), 2);
        QCOMPARE(rows(engine.model()), (QStringList{"Task Manager debugger 1", "Winlogon shell 1", "Logon program 0"}));
        QVERIFY(!engine.failure().isEmpty());
        QCOMPARE(fileBytes(damaged.software()), before);
    }

    // A hive that cannot be opened any more (damaged after the scan, read
    // again after a restore) stops neither the scan nor the repair with an
    // exception; what could not be judged or fixed is never shown as fine.
    void hiveThatCannotBeOpened()
    {
        Damaged damaged;
        RepairEngine engine(&window);
        QSignalSpy finished(&engine, &RepairEngine::scanFinished);
        QVERIFY(engine.Scan());
        QVERIFY(runToEnd(finished));
        MessageBoxes boxes;
        engine.Restore();
        ScanFixtures::writeFile(damaged.software(), QByteArray(8192, 'x'));

        engine.Repair();
        QVERIFY(runToEnd(finished, 2));
        QVERIFY(engine.getProblemCount() > 0);
        QVERIFY(!engine.failure().isEmpty());

        QVERIFY(engine.Scan());
        QVERIFY(runToEnd(finished, 3));
        QCOMPARE(finishedAs(finished, 2), QStringLiteral("scan"));
        // A section that could not be read is never taken for one without problems.
        QVERIFY(engine.getProblemCount() > 0 || !engine.failure().isEmpty());
    }
};

QTEST_MAIN(TestRepairEngine)
#include "tst_repairengine.moc"
