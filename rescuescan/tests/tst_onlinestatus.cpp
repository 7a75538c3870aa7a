// The cloud status: the poller against the reference lookup service started
// and stopped during the test, and the status line of the main window.

#include "QOnlineThread.h"
#include "app/mainwindowstart.h"
#include "app/qmlapplicationviewer.h"

#include "NimbixdProcess.h"
#include "rendercheck.h"
#include "support/questions.h"
#include "support/serviceonport.h"

#include <QProcess>
#include <QQuickItem>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A cycle lasts one second plus the connection test, which gives up after
// three: a change shows within about four seconds. Waits allow for a busy
// machine; nothing here measures time.
constexpr int kCycleMs = 10000;

QStringList logLines;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    logLines << message;
}

} // namespace

class TestOnlineStatus : public QObject
{
    Q_OBJECT

private:
    static QList<bool> results(const QSignalSpy &spy)
    {
        QList<bool> out;
        for (const QList<QVariant> &emitted : spy)
            out << emitted.at(0).toBool();
        return out;
    }

    static void stopAndJoin(QOnlineThread &thread)
    {
        thread.stop();
        QVERIFY(thread.wait(kCycleMs));
    }

private slots:
    void init()
    {
        logLines.clear();
        qInstallMessageHandler(captureLog);
    }

    void cleanup()
    {
        qInstallMessageHandler(nullptr);
    }

    // Refused, then reachable once the service starts, then refused again
    // once it stops.
    void followsTheService()
    {
        const quint16 port = freePort();
        ScopedNimbixServer env(QStringLiteral("127.0.0.1:%1").arg(port));
        ServiceOnPort service(port);
        QOnlineThread thread;
        QSignalSpy spy(&thread, &QOnlineThread::onlineResult);
        thread.start();
        QVERIFY(spy.wait(kCycleMs));
        QCOMPARE(results(spy).first(), false);

        QVERIFY(service.start());
        QTRY_VERIFY_WITH_TIMEOUT(results(spy).last(), kCycleMs);
        service.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!results(spy).last(), kCycleMs);
        stopAndJoin(thread);
        QVERIFY(logLines.contains(QStringLiteral("exit online check")));
    }

    // Stopped before its first cycle: not a single result.
    void stopBeforeTheFirstCycle()
    {
        ScopedNimbixServer env(QStringLiteral("127.0.0.1:%1").arg(freePort()));
        QOnlineThread thread;
        QSignalSpy spy(&thread, &QOnlineThread::onlineResult);
        thread.stop();
        thread.start();
        QVERIFY(thread.wait(kCycleMs));
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);
    }

    // A lookup object that cannot be made ends the thread in silence.
    void noLookupObject()
    {
        ScopedNimbixServer env(QStringLiteral("127.0.0.1:notaport"));
        QOnlineThread thread;
        QSignalSpy spy(&thread, &QOnlineThread::onlineResult);
        thread.start();
        QVERIFY(thread.wait(kCycleMs));
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 0);
    }

    // The main window's status line: empty until the first answer, then
    // what the poller finds, as the service comes and goes.
    void statusLine()
    {
        const quint16 port = freePort();
        ScopedNimbixServer env(QStringLiteral("127.0.0.1:%1").arg(port));
        ServiceOnPort service(port);
        QVERIFY(service.start());
        QmlApplicationViewer viewer;
        showMainWindow(viewer);
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QQuickItem *status = pageItem(&viewer, "cloudStatus");
        QTRY_COMPARE_WITH_TIMEOUT(status->property("text").toString(), QStringLiteral("Cloud Status: Connected"), kCycleMs);
        RenderCheck::saveScreenshot(freshFrame(&viewer), QStringLiteral("status-connected"));
        service.stop();
        QTRY_COMPARE_WITH_TIMEOUT(status->property("text").toString(), QStringLiteral("Cloud Status: Unconnected"),
                                  kCycleMs);
        RenderCheck::saveScreenshot(freshFrame(&viewer), QStringLiteral("status-unconnected"));
        const QStringList problems = RenderCheck::problems(viewer.rootObject());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void statusLineEmptyWithoutAnswer()
    {
        ScopedNimbixServer env(QStringLiteral("127.0.0.1:notaport"));
        QmlApplicationViewer viewer;
        showMainWindow(viewer);
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTest::qWait(1500);
        QCOMPARE(pageItem(&viewer, "cloudStatus")->property("text").toString(), QString());
    }
};

QTEST_MAIN(TestOnlineStatus)
#include "tst_onlinestatus.moc"
