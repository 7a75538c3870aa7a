#include "ScanEngine.h"
#include "ThreatItem.h"
#include "ThreatModel.h"
#include "app/fontfallbacks.h"
#include "widgets/registercursorarea.h"

#include "FaultyHttpServer.h"
#include "NimbixdProcess.h"
#include "ScanFixtures.h"
#include "support/modalwatch.h"
#include "support/questions.h"

#include <QMessageBox>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using ScanFixtures::signature;
using ScanFixtures::writeFile;

namespace {

constexpr int kScanTimeoutMs = 60000;

QStringList logLines;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    logLines << message;
}

QStringList logged(const QString &prefix)
{
    QStringList lines;
    for (const QString &line : std::as_const(logLines)) {
        if (line.startsWith(prefix))
            lines << line;
    }
    return lines;
}

// A Windows drive for one test: RESCUESCAN_SYSROOT points at it while the
// object lives.
class Sysroot
{
public:
    Sysroot() { qputenv("RESCUESCAN_SYSROOT", dir.path().toUtf8()); }
    ~Sysroot() { qunsetenv("RESCUESCAN_SYSROOT"); }

    QString path(const QString &relative) const { return dir.filePath(relative); }
    QString plant(const QString &relative, const QByteArray &content) const
    {
        writeFile(path(relative), content);
        return path(relative);
    }

    void plantFiles(int count, const QByteArray &content) const
    {
        for (int i = 0; i < count; ++i)
            plant(QStringLiteral("windows/f%1.txt").arg(i), content);
    }

private:
    QTemporaryDir dir;
};

// A lookup service that takes its time over every answer, so that a scan
// is still running whatever the test does next. It calls every file clean,
// or every file a threat.
struct SlowService
{
    explicit SlowService(bool threats = false)
        : server({answer(threats)})
        , env(QString::fromStdString(server.address()))
    {
    }

    static FaultyHttpServer::Reply answer(bool threat)
    {
        FaultyHttpServer::Reply reply = FaultyHttpServer::json(
            threat ? R"({"source":"x","level":2,"name":"Slow.Bad","id":1})"
                   : R"({"source":"x","level":1,"name":"","id":0})");
        reply.delayMs = 300;
        return reply;
    }

    FaultyHttpServer server;
    ScopedNimbixServer env;
};

QTimer *elapsedTimer(ScanEngine &engine)
{
    return engine.findChild<QTimer *>(QStringLiteral("elapsedTimer"));
}

// Makes a file that stays when its folder removes it (see the removal test
// of the scan engine). False when that cannot be done here.
bool makeUndeletable(const QString &file, bool undeletable)
{
    if (!ScanFixtures::runningAsRoot())
        return false;
    return QProcess::execute(QStringLiteral("chattr"), {undeletable ? QStringLiteral("+i") : QStringLiteral("-i"), file}) == 0;
}

} // namespace

class TestScanEngine : public QObject
{
    Q_OBJECT

private:
    NimbixdProcess service;
    std::unique_ptr<ScopedNimbixServer> serverEnv;
    // Stands in for the main window: the parent of the questions.
    QWidget window;

    static bool runToEnd(ScanEngine &engine, QSignalSpy &finished)
    {
        return QTest::qWaitFor([&] { return finished.count() > 0 && !engine.isRunning(); }, kScanTimeoutMs);
    }

    // Lets every report already queued for the engine arrive.
    static void drainReports()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    static QStringList threatFiles(ScanEngine &engine)
    {
        QStringList files;
        for (int row = 0; row < engine.threatModel()->rowCount(); ++row)
            files << engine.threatModel()->threatAt(row)->file();
        return files;
    }

private slots:
    void initTestCase()
    {
        registerCursorArea();
        installFontFallbacks();
        service.start({signature("EVIL-ONE", QStringLiteral("Trojan.One")),
                       signature("EVIL-TWO", QStringLiteral("Worm.Two")),
                       signature("EVIL-THREE", QStringLiteral("Rootkit.Three"))});
        serverEnv = std::make_unique<ScopedNimbixServer>(service.address());
        window.resize(790, 514);
        window.show();
    }

    void init()
    {
        logLines.clear();
        qInstallMessageHandler(captureLog);
    }

    void cleanup()
    {
        qInstallMessageHandler(nullptr);
    }

    // The names the pages call and bind to, in their order; what the result
    // views add comes after them.
    void metaObjectAsThePagesKnowIt()
    {
        const QMetaObject &meta = ScanEngine::staticMetaObject;
        QStringList methods;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            methods << QString::fromLatin1(meta.method(i).methodSignature());
        QCOMPARE(methods, (QStringList{
            "repairFinished()", "scanFinished()", "scannedCountChanged(long)", "totalCoundChanged(long)",
            "currentObjectChanged(QString)", "threatsCountChanged(long)", "elapsedTimeChanged()", "pauseChanged()",
            "notCheckedCountChanged()", "serverUnreachableChanged()", "notRemovedCountChanged()",
            "onTimeout()", "onScanProgress(QString,long,long)", "onScanFinished()", "onThreatFound(QString,QString)",
            "onServerError()", "onFileNotChecked(QString,QString)",
            "quickScan()", "fullScan()", "customScan(DirectoryList)", "Repair()", "abort()", "close()", "pause()",
            "resume()", "trustThreat(int)"}));
        QStringList properties;
        for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            QVERIFY(!property.isWritable());
            properties << QStringLiteral("%1 %2 %3").arg(QLatin1String(property.typeName()), QLatin1String(property.name()),
                                                     QString::fromLatin1(property.notifySignal().name()));
        }
        QCOMPARE(properties, (QStringList{
            "long scannedCount scannedCountChanged", "long totalCount totalCoundChanged",
            "QString currentObject currentObjectChanged", "long threatsCount threatsCountChanged",
            "QString elapsedTime elapsedTimeChanged", "bool paused pauseChanged",
            "int notCheckedCount notCheckedCountChanged", "bool serverUnreachable serverUnreachableChanged",
            "int notRemovedCount notRemovedCountChanged"}));
    }

    void noWindowsFolderFinishesWithoutThreats()
    {
        Sysroot sysroot;
        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        engine.quickScan();
        QVERIFY(engine.isRunning());
        QVERIFY(runToEnd(engine, finished));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(engine.threatsCount(), 0L);
        QCOMPARE(engine.scannedCount(), 0L);
        QCOMPARE(engine.totalCount(), 0L);
        QCOMPARE(engine.notCheckedCount(), 0);
        QVERIFY(!engine.serverUnreachable());
        QVERIFY(!elapsedTimer(engine)->isActive());
        QCOMPARE(logged(QStringLiteral("quick Scan")), QStringList{"quick Scan"});
    }

    void elapsedTime_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none") << 0 << "00:00";
        QTest::newRow("65 s") << 65 << "01:05";
        QTest::newRow("an hour") << 3600 << "60:00";
        QTest::newRow("past 99 minutes") << 125 * 60 + 59 << "125:59";
    }

    // Driven through the timer's slot: the test does not wait the time.
    void elapsedTime()
    {
        QFETCH(int, seconds);
        QFETCH(QString, shown);
        ScanEngine engine(&window);
        QSignalSpy changed(&engine, &ScanEngine::elapsedTimeChanged);
        for (int i = 0; i < seconds; ++i)
            engine.onTimeout();
        QCOMPARE(engine.elapsedTime(), shown);
        QCOMPARE(engine.property("elapsedTime").toString(), shown);
        QCOMPARE(changed.count(), seconds);
    }

    // While paused the clock stands still: its timer is off, so no second is
    // counted; resume starts it again.
    void pauseStopsTheClock()
    {
        Sysroot sysroot;
        sysroot.plantFiles(20, "clean");
        SlowService slow;
        ScanEngine engine(&window);
        QSignalSpy pauseChanged(&engine, &ScanEngine::pauseChanged);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        engine.quickScan();
        QVERIFY(elapsedTimer(engine)->isActive());
        QCOMPARE(elapsedTimer(engine)->interval(), 1000);
        for (int i = 0; i < 65; ++i)
            engine.onTimeout();
        QCOMPARE(engine.elapsedTime(), QStringLiteral("01:05"));

        pauseChanged.clear();
        engine.pause();
        QVERIFY(engine.paused());
        QCOMPARE(pauseChanged.count(), 1);
        QVERIFY(!elapsedTimer(engine)->isActive());

        engine.resume();
        QVERIFY(!engine.paused());
        QCOMPARE(pauseChanged.count(), 2);
        QVERIFY(elapsedTimer(engine)->isActive());

        QVERIFY(answering(true, [&] { QVERIFY(engine.abort()); }));
        QVERIFY(runToEnd(engine, finished));
    }

    void pauseAndResumeWithoutScanDoNothing()
    {
        ScanEngine engine(&window);
        QSignalSpy pauseChanged(&engine, &ScanEngine::pauseChanged);
        engine.pause();
        engine.resume();
        QCOMPARE(pauseChanged.count(), 0);
        QVERIFY(!engine.paused());
        QVERIFY(!answering(true, [&] { QVERIFY(!engine.abort()); }));
    }

    // "No" goes on with the scan and its clock, even when the user had paused
    // before pressing Stop; "yes" ends it, and the page still hears of the
    // end once, after abort() has returned.
    void abort_data()
    {
        QTest::addColumn<bool>("pausedBefore");
        QTest::newRow("running") << false;
        QTest::newRow("paused by the user") << true;
    }

    void abort()
    {
        QFETCH(bool, pausedBefore);
        Sysroot sysroot;
        sysroot.plantFiles(20, "clean");
        SlowService slow;
        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        engine.quickScan();
        if (pausedBefore)
            engine.pause();

        QString asked;
        bool pausedWhileAsking = false;
        bool clockWhileAsking = true;
        QVERIFY(answering(false, [&] { QVERIFY(!engine.abort()); }, &asked, [&](const OpenQuestion &) {
            pausedWhileAsking = engine.paused();
            clockWhileAsking = elapsedTimer(engine)->isActive();
        }));
        QCOMPARE(asked, QStringLiteral("Are you sure to abort scan?"));
        QVERIFY(pausedWhileAsking);
        QVERIFY(!clockWhileAsking);
        QVERIFY(engine.isRunning());
        QVERIFY(!engine.paused());
        QVERIFY(elapsedTimer(engine)->isActive());

        QSignalSpy pauseChanged(&engine, &ScanEngine::pauseChanged);
        QVERIFY(answering(true, [&] { QVERIFY(engine.abort()); }));
        QCOMPARE(finished.count(), 0);
        QVERIFY(!engine.isRunning());
        QVERIFY(!engine.paused());
        QVERIFY(pauseChanged.count() > 0);
        QVERIFY(!elapsedTimer(engine)->isActive());
        drainReports();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kScanTimeoutMs);
        drainReports();
        QCOMPARE(finished.count(), 1);
    }

    // A scan started at once after an aborted one, before the aborted
    // worker's last reports have arrived: they neither end the new scan nor
    // add to it, and the new scan runs unpaused.
    void scanRightAfterAbort()
    {
        Sysroot sysroot;
        sysroot.plantFiles(20, "clean");
        const QString evil = sysroot.plant(QStringLiteral("second/evil.exe"), "EVIL-ONE");
        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        {
            SlowService slow;
            engine.quickScan();
            engine.pause();
            QVERIFY(answering(true, [&] { QVERIFY(engine.abort()); }));
        }
        engine.customScan({DirectoryEntry{QDir(sysroot.path(QStringLiteral("second"))), true}});
        QVERIFY(!engine.paused());
        QVERIFY(engine.isRunning());
        QVERIFY(runToEnd(engine, finished));
        drainReports();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(threatFiles(engine), QStringList{evil});
        QCOMPARE(engine.totalCount(), 1L);
    }

    // Trusting row 0 of three leaves two; the fix removes only those, last
    // row first, read-only and linked files too, and reports once.
    void trustThenRepair()
    {
        Sysroot sysroot;
        const QString first = sysroot.plant(QStringLiteral("windows/a/one.exe"), "EVIL-ONE");
        const QString second = sysroot.plant(QStringLiteral("windows/b/two.exe"), "EVIL-TWO");
        const QString linkedFile = sysroot.plant(QStringLiteral("elsewhere/three.exe"), "EVIL-THREE");
        const QString link = sysroot.path(QStringLiteral("windows/c.exe"));
        sysroot.plant(QStringLiteral("windows/clean.txt"), "clean");
        QVERIFY(QFile::setPermissions(second, QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(QFile::link(linkedFile, link));

        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        QSignalSpy repaired(&engine, &ScanEngine::repairFinished);
        QSignalSpy threatsChanged(&engine, &ScanEngine::threatsCountChanged);
        engine.quickScan();
        QVERIFY(runToEnd(engine, finished));
        // Lookups run together: the rows come in the order the answers do.
        const QStringList listed = threatFiles(engine);
        QStringList sorted = listed;
        sorted.sort();
        QStringList planted{first, second, link};
        planted.sort();
        QCOMPARE(sorted, planted);
        QCOMPARE(engine.threatsCount(), 3L);
        QCOMPARE(engine.totalCount(), 4L);
        QCOMPARE(threatsChanged.last().first().value<long>(), 3L);

        QSignalSpy count(engine.threatModel(), &ThreatModel::countChanged);
        engine.trustThreat(0);
        QCOMPARE(count.count(), 1);
        const QString trusted = listed[0];
        const QStringList kept = listed.mid(1);
        QCOMPARE(threatFiles(engine), kept);
        QCOMPARE(logged(QStringLiteral("trust file:")), QStringList{"trust file: " + trusted});

        engine.trustThreat(7);
        QCOMPARE(engine.threatsCount(), 2L);

        engine.Repair();
        QCOMPARE(repaired.count(), 1);
        QCOMPARE(engine.threatsCount(), 0L);
        QCOMPARE(engine.notRemovedCount(), 0);
        QVERIFY(QFileInfo::exists(trusted == link ? linkedFile : trusted));
        QStringList removals;
        for (auto file = kept.crbegin(); file != kept.crend(); ++file) {
            if (*file == link) {
                QVERIFY(!QFileInfo::exists(linkedFile));
                QVERIFY(!QFileInfo(link).isSymLink());
                removals << "remove: " + linkedFile + " (linked from " + link + ")" << "remove: " + link;
            } else {
                QVERIFY(!QFileInfo::exists(*file));
                removals << "remove: " + *file;
            }
        }
        QCOMPARE(logged(QStringLiteral("remove")), removals);
    }

    // A folder and one of its subfolders: each file below both is reported
    // twice, and its threat listed twice; the fix removes it once and counts
    // no failure.
    void overlappingCustomTargets()
    {
        Sysroot sysroot;
        const QString evil = sysroot.plant(QStringLiteral("mnt/d/sub/evil.exe"), "EVIL-ONE");
        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        engine.customScan({DirectoryEntry{QDir(sysroot.path(QStringLiteral("mnt/d"))), true},
                           DirectoryEntry{QDir(sysroot.path(QStringLiteral("mnt/d/sub"))), true}});
        QVERIFY(runToEnd(engine, finished));
        QCOMPARE(threatFiles(engine), (QStringList{evil, evil}));
        QCOMPARE(logged(QStringLiteral("custom Scan")), QStringList{"custom Scan"});

        engine.Repair();
        QVERIFY(!QFileInfo::exists(evil));
        QCOMPARE(engine.notRemovedCount(), 0);
        QCOMPARE(logged(QStringLiteral("remove")), QStringList{"remove: " + evil});
    }

    void removalThatFailsIsCounted()
    {
        Sysroot sysroot;
        const QString kept = sysroot.plant(QStringLiteral("windows/kept.exe"), "EVIL-ONE");
        const QString gone = sysroot.plant(QStringLiteral("windows/gone.exe"), "EVIL-TWO");
        if (!makeUndeletable(kept, true))
            QSKIP("cannot make a file undeletable here (chattr +i needs root and an ext file system)");
        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        engine.quickScan();
        const bool ended = runToEnd(engine, finished);
        QSignalSpy notRemoved(&engine, &ScanEngine::notRemovedCountChanged);
        if (ended)
            engine.Repair();
        makeUndeletable(kept, false);
        QVERIFY(ended);
        QCOMPARE(engine.notRemovedCount(), 1);
        QCOMPARE(notRemoved.count(), 1);
        QVERIFY(QFileInfo::exists(kept));
        QVERIFY(!QFileInfo::exists(gone));
        QCOMPARE(engine.threatsCount(), 0L);
    }

    // A file over the lookup's size limit has no verdict: it is counted as
    // not checked, never as clean.
    void filesNotChecked()
    {
        Sysroot sysroot;
        ScanFixtures::writeSparseFile(sysroot.path(QStringLiteral("windows/huge.bin")), 10485760 + 1);
        sysroot.plant(QStringLiteral("windows/small.txt"), "clean");
        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        engine.quickScan();
        QVERIFY(runToEnd(engine, finished));
        QCOMPARE(engine.notCheckedCount(), 1);
        QCOMPARE(engine.scannedCount(), 2L);
        QCOMPARE(engine.threatsCount(), 0L);

        // The next scan starts its counts afresh.
        QFile::remove(sysroot.path(QStringLiteral("windows/huge.bin")));
        engine.quickScan();
        QCOMPARE(engine.notCheckedCount(), 0);
        QVERIFY(runToEnd(engine, finished));
    }

    void serverUnreachable()
    {
        Sysroot sysroot;
        sysroot.plant(QStringLiteral("windows/evil.exe"), "EVIL-ONE");
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        ScopedNimbixServer refused(QStringLiteral("127.0.0.1:%1").arg(port));

        ScanEngine engine(&window);
        QSignalSpy finished(&engine, &ScanEngine::scanFinished);
        QString message;
        ModalWatch box(ModalWatch::ofType<QMessageBox>(), [&](QWidget *widget) {
            auto *messageBox = qobject_cast<QMessageBox *>(widget);
            message = messageBox->text();
            QCOMPARE(messageBox->icon(), QMessageBox::Warning);
            messageBox->accept();
        });
        engine.quickScan();
        QVERIFY(runToEnd(engine, finished));
        QTRY_VERIFY(box.seen());
        QCOMPARE(message, QStringLiteral("Fail to connect cloud server."));
        QVERIFY(engine.serverUnreachable());
        QCOMPARE(engine.scannedCount(), 0L);
        QCOMPARE(engine.threatsCount(), 0L);
    }

    // close() ends a running scan, empties the list and ends the lookup
    // library, which the program does once, just before it quits; so this
    // test comes last.
    void closeEndsEverything()
    {
        Sysroot sysroot;
        sysroot.plantFiles(20, "whatever");
        SlowService slow(true);
        ScanEngine engine(&window);
        engine.quickScan();
        QTRY_VERIFY_WITH_TIMEOUT(engine.threatsCount() > 0, kScanTimeoutMs);
        QVERIFY(engine.close());
        QVERIFY(!engine.isRunning());
        QCOMPARE(engine.threatModel()->rowCount(), 0);
    }
};

QTEST_MAIN(TestScanEngine)
#include "tst_scanengine.moc"
