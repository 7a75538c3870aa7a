#include "FaultyHttpServer.h"
#include "NimbixdProcess.h"
#include "ScanFixtures.h"
#include "ScanThread.h"

#include <QMutex>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using ScanFixtures::signature;
using ScanFixtures::writeFile;

namespace {

constexpr int kScanTimeoutMs = 60000;
constexpr qint64 kLimit = 10485760;

QMutex logMutex;
QStringList logLines;

void captureLog(QtMsgType, const QMessageLogContext&, const QString& message)
{
    QMutexLocker locker(&logMutex);
    logLines << message;
}

QStringList takeLog()
{
    QMutexLocker locker(&logMutex);
    return std::exchange(logLines, {});
}

struct Reports {
    QStringList events;     // "serverError", "progress", "threat", "finished" as they came
    QStringList progress;   // current objects
    QList<long> scanned;
    QList<long> totals;
    QList<QPair<QString, QString>> threats;

    explicit Reports(ScanThread& worker)
    {
        QObject::connect(&worker, &ScanThread::serverError, [this] { events << QStringLiteral("serverError"); });
        QObject::connect(&worker, &ScanThread::scanProgress, [this](QString current, long done, long total) {
            events << QStringLiteral("progress");
            progress << current;
            scanned << done;
            totals << total;
        });
        QObject::connect(&worker, &ScanThread::threatFound, [this](QString file, QString name) {
            events << QStringLiteral("threat");
            threats << qMakePair(file, name);
        });
        QObject::connect(&worker, &ScanThread::scanFinished, [this] { events << QStringLiteral("finished"); });
    }

    bool finished() const { return events.contains(QStringLiteral("finished")); }
};

} // namespace

class ScanThreadTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root;
    NimbixdProcess service;
    std::unique_ptr<ScopedNimbixServer> serverEnv;

    QString path(const QString& relative) const { return root.filePath(relative); }

    static bool runToEnd(ScanThread& worker, const Reports& reports)
    {
        if (!QTest::qWaitFor([&] { return reports.finished(); }, kScanTimeoutMs))
            return false;
        return worker.wait(kScanTimeoutMs);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        const QByteArray exact(kLimit, '\0');
        const QByteArray over(kLimit + 1, '\0');
        writeFile(path(QStringLiteral("main/clean.txt")), "nothing to see");
        writeFile(path(QStringLiteral("main/evil.exe")), "EVIL-ONE");
        writeFile(path(QStringLiteral("main/Gone.exe")), "EVIL-ONE");
        writeFile(path(QStringLiteral("main/sub/AppContainerUserCertRead")), "cert");
        writeFile(path(QStringLiteral("main/sub/worm.dll")), "EVIL-TWO");
        ScanFixtures::writeSparseFile(path(QStringLiteral("main/exact.bin")), kLimit);
        ScanFixtures::writeSparseFile(path(QStringLiteral("main/over.bin")), kLimit + 1);
        writeFile(path(QStringLiteral("outside/linked.exe")), "EVIL-TWO");
        writeFile(path(QStringLiteral("links/plain.exe")), "EVIL-ONE");
        QVERIFY(QFile::link(path(QStringLiteral("outside/linked.exe")), path(QStringLiteral("links/linked.exe"))));
        for (int i = 0; i < 300; ++i)
            writeFile(path(QStringLiteral("many/f%1.txt").arg(i, 3, 10, QLatin1Char('0'))), QByteArray::number(i));

        service.start({signature("EVIL-ONE", QStringLiteral("Trojan.One")),
                       signature("EVIL-TWO", QStringLiteral("Worm.Two")),
                       signature(exact, QStringLiteral("Exact.Limit")),
                       signature(over, QStringLiteral("Over.Limit"))});
        serverEnv = std::make_unique<ScopedNimbixServer>(service.address());
        qInstallMessageHandler(captureLog);
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(nullptr);
    }

    void scanReportsEveryFileAndItsThreats()
    {
        ScanThread worker;
        Reports reports(worker);
        // Removed after it was listed and before it is looked up.
        connect(&worker, &ScanThread::scanProgress, &worker, [this](QString current) {
            if (current.endsWith(QLatin1String("Gone.exe")))
                QFile::remove(current);
        }, Qt::DirectConnection);
        worker.addTarget(QDir(path(QStringLiteral("missing"))), true);
        worker.addTarget(QDir(path(QStringLiteral("main"))), true);
        takeLog();
        worker.start();
        QVERIFY(runToEnd(worker, reports));

        const QString main = path(QStringLiteral("main/"));
        const QStringList expected{main + "clean.txt", main + "evil.exe", main + "exact.bin",
                                   main + "Gone.exe", main + "over.bin",
                                   main + "sub/AppContainerUserCertRead", main + "sub/worm.dll"};
        QCOMPARE(reports.progress, expected);
        QCOMPARE(reports.scanned, QList<long>({1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(reports.totals.last(), 7L);
        for (qsizetype i = 0; i < reports.totals.size(); ++i)
            QVERIFY(reports.totals.at(i) >= reports.scanned.at(i));
        // Neither the vanished file nor the one over the size limit is a
        // threat; both count as scanned and the scan goes on.
        QCOMPARE(reports.threats, (QList<QPair<QString, QString>>{
                                      {main + "evil.exe", "Trojan.One"},
                                      {main + "exact.bin", "Exact.Limit"},
                                      {main + "sub/worm.dll", "Worm.Two"}}));
        QCOMPARE(reports.events.first(), QStringLiteral("progress"));
        QCOMPARE(reports.events.last(), QStringLiteral("finished"));
        QCOMPARE(reports.events.count(QStringLiteral("finished")), 1);

        const QStringList log = takeLog();
        QVERIFY2(log.contains('"' + main + "sub/AppContainerUserCertRead\""), qPrintable(log.join('\n')));
        QVERIFY(log.contains("virus: " + main + "evil.exe [Trojan.One]"));
        QVERIFY(log.contains(QStringLiteral("query_file exception: file not found")));
        QVERIFY(log.contains(QStringLiteral("query_file exception: file too large")));
        QCOMPARE(log.last(), QStringLiteral("scan threat exit."));
    }

    // Quick and full scans follow a link in the first listing of a target;
    // a custom scan does not list it.
    void customScanLeavesLinksOut_data()
    {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<QStringList>("threats");
        QTest::newRow("quick or full") << false << QStringList{"links/linked.exe", "links/plain.exe"};
        QTest::newRow("custom") << true << QStringList{"links/plain.exe"};
    }

    void customScanLeavesLinksOut()
    {
        QFETCH(bool, custom);
        QFETCH(QStringList, threats);
        ScanThread worker;
        Reports reports(worker);
        worker.setCustomScan(custom);
        worker.addTarget(QDir(path(QStringLiteral("links"))), true);
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        QStringList found;
        for (const auto& threat : reports.threats)
            found << QDir(root.path()).relativeFilePath(threat.first);
        QCOMPARE(found, threats);
    }

    void unreadableFileIsSkipped()
    {
        if (ScanFixtures::runningAsRoot())
            QSKIP("root reads files of mode 000; rescuectl's test covers this as an ordinary user");
        writeFile(path(QStringLiteral("locked/evil.exe")), "EVIL-ONE");
        QVERIFY(QFile::setPermissions(path(QStringLiteral("locked/evil.exe")), QFile::Permissions()));
        ScanThread worker;
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("locked"))), true);
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        QCOMPARE(reports.scanned, QList<long>({1}));
        QVERIFY(reports.threats.isEmpty());
    }

    // No lookup service, or no lookup object at all: the scan reports the
    // server error and still ends, so its owner is never left waiting.
    void unreachableService_data()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("connection refused") << QStringLiteral("127.0.0.1:%1").arg(closedPort)
                                            << QStringLiteral("scan threat exit.");
        QTest::newRow("lookup object cannot be made") << QStringLiteral("127.0.0.1:port")
                                                      << QStringLiteral("create core failed: ");
    }

    void unreachableService()
    {
        QFETCH(QString, server);
        QFETCH(QString, logLine);
        ScopedNimbixServer env(server);

        ScanThread worker;
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("main"))), true);
        takeLog();
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        QCOMPARE(reports.events, QStringList({"serverError", "finished"}));
        const QStringList log = takeLog();
        QVERIFY2(!log.isEmpty() && log.last().startsWith(logLine), qPrintable(log.join('\n')));
    }

    // Pause while a lookup runs: that lookup and its report complete, then
    // the worker waits; resume carries on with the next file.
    void pauseWhileLookingUp()
    {
        FaultyHttpServer::Reply slow = FaultyHttpServer::json(R"({"source":"x","level":2,"name":"Slow.Bad","id":1})");
        slow.delayMs = 1500;
        FaultyHttpServer slowService({slow, FaultyHttpServer::json(R"({"source":"x","level":1,"name":"","id":0})")});
        ScopedNimbixServer env(QString::fromStdString(slowService.address()));

        ScanThread worker;
        Reports reports(worker);
        connect(&worker, &ScanThread::scanProgress, &worker, [&worker](QString, long scanned) {
            if (scanned == 1)
                worker.pause();
        });
        worker.addTarget(QDir(path(QStringLiteral("links"))), false);
        worker.start();

        QTRY_COMPARE_WITH_TIMEOUT(reports.threats.size(), 1, kScanTimeoutMs);
        QVERIFY(worker.isPaused());
        QTest::qWait(500);
        QCOMPARE(reports.scanned, QList<long>({1}));

        worker.resume();
        QVERIFY(runToEnd(worker, reports));
        QCOMPARE(reports.scanned, QList<long>({1, 2}));
        QCOMPARE(reports.threats.size(), 1);
    }

    // Every resume wakes the worker, whenever it comes: before the worker
    // has seen the pause, while it finishes a lookup, or while it waits.
    void resumeAtAnyMoment()
    {
        ScanThread worker;
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("many"))), true);
        worker.start();
        QRandomGenerator random(6);
        while (!reports.finished()) {
            worker.pause();
            QThread::usleep(random.bounded(3000));
            QCoreApplication::processEvents();
            const qsizetype before = reports.scanned.size();
            worker.resume();
            // One resume, nothing more: the worker must carry on.
            QVERIFY(QTest::qWaitFor([&] { return reports.finished() || reports.scanned.size() > before; },
                                    kScanTimeoutMs));
        }
        QVERIFY(worker.wait(kScanTimeoutMs));
        QCOMPARE(reports.scanned.size(), 300);
        QCOMPARE(reports.scanned.last(), 300L);
    }

    void stopWhilePaused()
    {
        ScanThread worker;
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("many"))), true);
        worker.pause();
        worker.start();
        QTest::qWait(300);
        QVERIFY(reports.progress.isEmpty());

        worker.stop();
        QVERIFY(worker.isStopped());
        QVERIFY(worker.wait(kScanTimeoutMs));
        QTRY_VERIFY(reports.finished());
        QCOMPARE(reports.events, QStringList({"finished"}));
    }

    void deletingARunningWorkerStopsIt()
    {
        auto worker = std::make_unique<ScanThread>();
        worker->addTarget(QDir(path(QStringLiteral("many"))), true);
        worker->start();
        QTest::qWait(50);
        worker.reset();
        QCoreApplication::processEvents();
    }
};

QTEST_GUILESS_MAIN(ScanThreadTest)
#include "ScanThreadTest.moc"
