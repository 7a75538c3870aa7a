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

#include <algorithm>
#include <memory>
#include <vector>

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
    QStringList events;     // "serverError", "progress", "threat", "not checked", "finished" as they came
    QStringList progress;   // current objects
    QList<long> scanned;
    QList<long> totals;
    QList<QPair<QString, QString>> threats;
    QStringList notChecked;

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
        QObject::connect(&worker, &ScanThread::fileNotChecked, [this](QString file) {
            events << QStringLiteral("not checked");
            notChecked << file;
        });
        QObject::connect(&worker, &ScanThread::scanFinished, [this] { events << QStringLiteral("finished"); });
    }

    // Threats as a set: with lookups in flight together they come in the
    // order the answers do.
    QList<QPair<QString, QString>> sortedThreats() const
    {
        QList<QPair<QString, QString>> sorted = threats;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

    bool finished() const { return events.contains(QStringLiteral("finished")); }
};

} // namespace

// The whole suite runs once for each way of looking up: together (the
// default) and one at a time.
class ScanThreadTest : public QObject {
    Q_OBJECT

public:
    explicit ScanThreadTest(ScanThread::Lookups lookupMode)
        : mode(lookupMode)
    {
    }

private:
    const ScanThread::Lookups mode;
    bool together() const { return mode == ScanThread::Lookups::Together; }

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
        for (int i = 0; i < 64; ++i)
            writeFile(path(QStringLiteral("some/f%1.txt").arg(i, 2, 10, QLatin1Char('0'))), "some " + QByteArray::number(i));
        // Twenty files alike, as copies of one DLL are on a Windows drive, and
        // five others.
        for (int i = 0; i < 25; ++i)
            writeFile(path(QStringLiteral("alike/f%1.dll").arg(i, 2, 10, QLatin1Char('0'))),
                      i % 5 == 4 ? "other " + QByteArray::number(i) : QByteArray("the same content"));
        qInfo() << "lookups:" << (together() ? "together" : "one at a time");

        QStringList signatures{signature("EVIL-ONE", QStringLiteral("Trojan.One")),
                               signature("EVIL-TWO", QStringLiteral("Worm.Two")),
                               signature(exact, QStringLiteral("Exact.Limit")),
                               signature(over, QStringLiteral("Over.Limit"))};
        for (int i = 0; i < 300; i += 7)
            signatures << signature(QByteArray::number(i), QStringLiteral("Many.%1").arg(i));
        service.start(signatures);
        serverEnv = std::make_unique<ScopedNimbixServer>(service.address());
        qInstallMessageHandler(captureLog);
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(nullptr);
    }

    void scanReportsEveryFileAndItsThreats()
    {
        ScanThread worker(nullptr, mode);
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
        QCOMPARE(together() ? reports.sortedThreats() : reports.threats, (QList<QPair<QString, QString>>{
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
        ScanThread worker(nullptr, mode);
        Reports reports(worker);
        worker.setCustomScan(custom);
        worker.addTarget(QDir(path(QStringLiteral("links"))), true);
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        QStringList found;
        for (const auto& threat : reports.sortedThreats())
            found << QDir(root.path()).relativeFilePath(threat.first);
        QCOMPARE(found, threats);
    }

    void unreadableFileIsSkipped()
    {
        if (ScanFixtures::runningAsRoot())
            QSKIP("root reads files of mode 000; rescuectl's test covers this as an ordinary user");
        writeFile(path(QStringLiteral("locked/evil.exe")), "EVIL-ONE");
        QVERIFY(QFile::setPermissions(path(QStringLiteral("locked/evil.exe")), QFile::Permissions()));
        ScanThread worker(nullptr, mode);
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

        ScanThread worker(nullptr, mode);
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
        if (together())
            QSKIP("with lookups in flight together, pauseLetsTheLookupsInFlightFinish covers pausing");
        FaultyHttpServer::Reply slow = FaultyHttpServer::json(R"({"source":"x","level":2,"name":"Slow.Bad","id":1})");
        slow.delayMs = 1500;
        FaultyHttpServer slowService({slow, FaultyHttpServer::json(R"({"source":"x","level":1,"name":"","id":0})")});
        ScopedNimbixServer env(QString::fromStdString(slowService.address()));

        ScanThread worker(nullptr, mode);
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
        ScanThread worker(nullptr, mode);
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
        ScanThread worker(nullptr, mode);
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
        auto worker = std::make_unique<ScanThread>(nullptr, mode);
        worker->addTarget(QDir(path(QStringLiteral("many"))), true);
        worker->start();
        QTest::qWait(50);
        worker.reset();
        QCoreApplication::processEvents();
    }

    // Many lookups in flight: still every file counted once, in the order
    // found, and every listed threat found once.
    void everyFileAndEveryThreatOnce()
    {
        ScanThread worker(nullptr, mode);
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("many"))), true);
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        QList<long> counts;
        QStringList files;
        QList<QPair<QString, QString>> threats;
        for (int i = 0; i < 300; ++i) {
            counts << i + 1;
            files << path(QStringLiteral("many/f%1.txt").arg(i, 3, 10, QLatin1Char('0')));
            if (i % 7 == 0)
                threats << qMakePair(files.last(), QStringLiteral("Many.%1").arg(i));
        }
        std::sort(threats.begin(), threats.end());
        QCOMPARE(reports.scanned, counts);
        QCOMPARE(reports.progress, files);
        QCOMPARE(reports.sortedThreats(), threats);
        QVERIFY(reports.notChecked.isEmpty());
        QCOMPARE(reports.events.count(QStringLiteral("finished")), 1);
        QCOMPARE(reports.events.last(), QStringLiteral("finished"));
    }

    // Twenty files alike and five others: six questions, and every file has
    // its verdict. A queued content is asked about for every file, since its
    // verdict may come meanwhile.
    void filesAlikeAreAskedAboutOnce_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("threats");
        QTest::addColumn<int>("questionsTogether");
        QTest::newRow("dangerous") << QStringLiteral(R"({"source":"x","level":2,"name":"Same.Bad","id":1})") << 25 << 6;
        QTest::newRow("clean") << QStringLiteral(R"({"source":"x","level":1,"name":"","id":0})") << 0 << 6;
        QTest::newRow("queued") << QStringLiteral(R"({"source":"queue"})") << 0 << 25;
    }

    void filesAlikeAreAskedAboutOnce()
    {
        QFETCH(QString, answer);
        QFETCH(int, threats);
        QFETCH(int, questionsTogether);
        FaultyHttpServer counting({FaultyHttpServer::json(answer.toStdString())});
        ScopedNimbixServer env(QString::fromStdString(counting.address()));
        ScanThread worker(nullptr, mode);
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("alike"))), true);
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        const int questions = together() ? questionsTogether : 25;
        QCOMPARE(int(counting.requests().size()), questions);
        QCOMPARE(worker.savedLookups(), long(25 - questions));
        QCOMPARE(reports.scanned.size(), 25);
        QCOMPARE(int(reports.threats.size()), threats);
        QStringList threatFiles;
        for (const auto& threat : reports.threats)
            threatFiles << threat.first;
        threatFiles.removeDuplicates();
        QCOMPARE(int(threatFiles.size()), threats);
    }

    // A service that fails some lookups: those files are not checked, the
    // others have their verdicts, and the scan goes on to its end.
    void aServiceThatFailsSomeLookups()
    {
        std::vector<FaultyHttpServer::Reply> replies;
        for (int i = 0; i < 64; ++i)
            replies.push_back(i % 4 == 1 ? FaultyHttpServer::status(500, "broken")
                                         : FaultyHttpServer::json(R"({"source":"x","level":2,"name":"Bad","id":1})"));
        FaultyHttpServer flaky(replies);
        ScopedNimbixServer env(QString::fromStdString(flaky.address()));
        ScanThread worker(nullptr, mode);
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("some"))), true);
        takeLog();
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        QCOMPARE(reports.scanned.size(), 64);
        QCOMPARE(reports.notChecked.size(), 16);
        QCOMPARE(reports.threats.size(), 48);
        QStringList answered = reports.notChecked;
        for (const auto& threat : reports.threats)
            answered << threat.first;
        answered.sort();
        QCOMPARE(answered, reports.progress);
        QCOMPARE(takeLog().count(QStringLiteral("query_file exception: lookup failed: status 500 (Internal Server Error)")), 16);
    }

    // A failed lookup is no verdict for the files alike: each of them asks
    // on its own and has its answer.
    void aFailedLookupIsNotShared()
    {
        for (int i = 0; i < 20; ++i)
            writeFile(path(QStringLiteral("same/f%1.dll").arg(i, 2, 10, QLatin1Char('0'))), "one content");
        FaultyHttpServer failingOnce({FaultyHttpServer::status(500, "broken"),
                                      FaultyHttpServer::json(R"({"source":"x","level":2,"name":"Same.Bad","id":1})")});
        ScopedNimbixServer env(QString::fromStdString(failingOnce.address()));
        ScanThread worker(nullptr, mode);
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("same"))), true);
        worker.start();
        QVERIFY(runToEnd(worker, reports));
        QCOMPARE(reports.scanned.size(), 20);
        QCOMPARE(reports.notChecked.size(), 1);
        QCOMPARE(reports.threats.size(), 19);
        QStringList answered = reports.notChecked;
        for (const auto& threat : reports.threats)
            answered << threat.first;
        answered.sort();
        QCOMPARE(answered, reports.progress);
        const long asked = long(failingOnce.requests().size());
        QVERIFY2(asked >= 2, qPrintable(QString::number(asked)));
        QCOMPARE(worker.savedLookups(), 20 - asked);
    }

    // Pause lets the lookups in flight finish and report, and starts no
    // other until resume.
    void pauseLetsTheLookupsInFlightFinish()
    {
        if (!together())
            QSKIP("one at a time, pauseWhileLookingUp covers pausing");
        FaultyHttpServer::Reply slow = FaultyHttpServer::json(R"({"source":"x","level":2,"name":"Slow.Bad","id":1})");
        slow.delayMs = 400;
        FaultyHttpServer slowService({slow});
        ScopedNimbixServer env(QString::fromStdString(slowService.address()));
        ScanThread worker(nullptr, mode);
        Reports reports(worker);
        connect(&worker, &ScanThread::scanProgress, &worker, [&worker](QString, long scanned) {
            if (scanned == 1)
                worker.pause();
        });
        worker.addTarget(QDir(path(QStringLiteral("some"))), true);
        worker.start();

        QTRY_VERIFY_WITH_TIMEOUT(worker.isPaused() && !reports.threats.isEmpty()
                                     && reports.threats.size() == reports.scanned.size(),
                                 kScanTimeoutMs);
        const qsizetype started = reports.scanned.size();
        QVERIFY(started <= ScanThread::kLookupsInFlight);
        QTest::qWait(1000);
        QCOMPARE(reports.scanned.size(), started);
        QCOMPARE(qsizetype(slowService.requests().size()), started);

        worker.resume();
        QVERIFY(runToEnd(worker, reports));
        QCOMPARE(reports.scanned.size(), 64);
        QCOMPARE(reports.threats.size(), 64);
    }

    // Stop mid-scan: the scan ends soon, and nothing is reported after its
    // end, whatever the lookups in flight bring.
    void stopMidScan()
    {
        FaultyHttpServer::Reply slow = FaultyHttpServer::json(R"({"source":"x","level":2,"name":"Slow.Bad","id":1})");
        slow.delayMs = 300;
        FaultyHttpServer slowService({slow});
        ScopedNimbixServer env(QString::fromStdString(slowService.address()));
        ScanThread worker(nullptr, mode);
        Reports reports(worker);
        worker.addTarget(QDir(path(QStringLiteral("some"))), true);
        worker.start();
        QTRY_VERIFY_WITH_TIMEOUT(reports.threats.size() >= 2, kScanTimeoutMs);
        worker.stop();
        const qsizetype askedAtStop = qsizetype(slowService.requests().size());
        QVERIFY(worker.wait(kScanTimeoutMs));
        // No file is handed out after the stop: only those already with a
        // lookup may still ask.
        const int lookups = together() ? ScanThread::kLookupsInFlight : 1;
        QVERIFY2(qsizetype(slowService.requests().size()) - askedAtStop <= qsizetype(lookups),
                 qPrintable(QStringLiteral("%1 asked at the stop, %2 in the end")
                                .arg(askedAtStop)
                                .arg(slowService.requests().size())));
        // Past the answers of the lookups the stop left in flight.
        QTest::qWait(800);
        QCoreApplication::processEvents();
        QCOMPARE(reports.events.count(QStringLiteral("finished")), 1);
        QCOMPARE(reports.events.last(), QStringLiteral("finished"));
        QVERIFY(reports.scanned.size() < 64);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    for (const ScanThread::Lookups mode : {ScanThread::Lookups::Together, ScanThread::Lookups::OneAtATime}) {
        ScanThreadTest test(mode);
        failed += QTest::qExec(&test, argc, argv);
    }
    return failed;
}

#include "ScanThreadTest.moc"
