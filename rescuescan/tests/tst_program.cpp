// The real rescuescan program, started as the rescue disk starts it, on a
// screen of 1024 x 768 against the reference lookup service and a fixture
// Windows installation with planted threats, and driven by real pointer
// events (xdotool) at the places a person clicks: Flash Scan, trust the
// first threat, Fix Now, OK, close. What the program logs says when each
// step has happened; the disk says whether the fix did what it showed.

#include "NimbixdProcess.h"
#include "rendercheck.h"
#include "support/serviceonport.h"
#include "support/testinstallation.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

constexpr int kStepTimeoutMs = 60000;

// Where a person's clicks land, in the window's own coordinates (the page
// layout: the centre starts at (220, 76)).
const QPoint flashScan(220 + 90, 76 + 97 + 90);
const QPoint firstTrust(220 + 17 + 2 + 543 - 20 - 16, 76 + 121 + 2 + 12 + 9);
const QPoint fixNow(220 + 17 + 380 + 53, 76 + 37 + 25 + 14);
const QPoint resultOk(220 + 12 + 207 + 78, 76 + 80 + 89 + 22);
const QPoint closeButton(790 - 5 - 11, 5 + 11);
const QPoint repairTask(110, 76 + 10 + 50 + 27);
const QPoint registryScan(220 + 190 + 91, 76 + 227 + 26);
const QPoint headerButton(220 + 8 + 422 + 53, 76 + 19 + 25 + 14);
const QPoint restoreLink(220 + 373 + 40, 76 + 250 + 15);

// The hivex tools, an independent reader of the hives: exit status and
// what they print.
int hivex(const QString &tool, const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(kStepTimeoutMs))
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestInstallation> installation;
    NimbixdProcess service;
    QProcess program;
    QStringList log;
    QPoint window;
    QString mainWindow;

    // The program's visible windows other than its main window.
    QStringList otherWindows()
    {
        QString ids;
        xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                 QString::number(program.processId())}, &ids);
        QStringList others = ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        others.removeAll(mainWindow);
        return others;
    }

    static bool xdotool(const QStringList &arguments, QString *output = nullptr)
    {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"), arguments);
        if (!tool.waitForFinished(kStepTimeoutMs) || tool.exitCode() != 0)
            return false;
        if (output)
            *output = QString::fromUtf8(tool.readAllStandardOutput());
        return true;
    }

    void click(const QPoint &inWindow)
    {
        const QPoint at = window + inWindow;
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                         QStringLiteral("click"), QStringLiteral("1")}));
    }

    // The program's log lines so far (its standard error).
    void readLog()
    {
        const QString text = QString::fromUtf8(program.readAllStandardError());
        log += text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QString waitForLine(const QString &start)
    {
        QString found;
        (void)QTest::qWaitFor([&] {
            readLog();
            for (const QString &line : std::as_const(log)) {
                if (line.startsWith(start)) {
                    found = line;
                    return true;
                }
            }
            return program.state() != QProcess::Running;
        }, kStepTimeoutMs);
        return found;
    }

    QImage windowImage() const
    {
        return QGuiApplication::primaryScreen()->grabWindow(0, window.x(), window.y(), 790, 514).toImage();
    }

    // Waits until what the window shows stands still (the pages slide for
    // 200 ms), then keeps a screenshot of it.
    void screenshotWhenSettled(const QString &name)
    {
        QImage previous = windowImage();
        const bool settled = QTest::qWaitFor([&] {
            QTest::qWait(150);
            const QImage now = windowImage();
            const bool same = now == previous;
            previous = now;
            return same;
        }, kStepTimeoutMs);
        RenderCheck::saveScreenshot(previous, name);
        QVERIFY2(settled, qPrintable(name + QStringLiteral(" never stood still")));
    }

    // Starts the program on the installation and finds its window.
    void startProgram(const QString &server = QString())
    {
        log.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RESCUESCAN_SYSROOT"), installation->sysroot());
        env.insert(QStringLiteral("NIMBIX_SERVER"), server.isEmpty() ? service.address() : server);
        env.insert(QStringLiteral("RESCUESCAN_SITE"), QStringLiteral("https://share.test.example"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(RESCUESCAN_PROGRAM), {});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

        // Polled rather than waited for by xdotool, whose wait gives up when
        // a window of the program before goes away meanwhile.
        QString id;
        QVERIFY(QTest::qWaitFor([&] {
            QString found;
            xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                     QString::number(program.processId()), QStringLiteral("--name"),
                     QStringLiteral("^Quillmark Rescue Disk$")}, &found);
            id = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0);
            return !id.isEmpty();
        }, kStepTimeoutMs));
        mainWindow = id;
        QString geometry;
        QVERIFY(xdotool({QStringLiteral("getwindowgeometry"), id}, &geometry));
        const QRegularExpressionMatch position = QRegularExpression(QStringLiteral("Position: (\\d+),(\\d+)")).match(geometry);
        QVERIFY2(position.hasMatch(), qPrintable(geometry));
        window = QPoint(position.captured(1).toInt(), position.captured(2).toInt());
        if (QGuiApplication::primaryScreen()->geometry() == QRect(0, 0, 1024, 768))
            QCOMPARE(window, QPoint(117, 127));
        QVERIFY(geometry.contains(QLatin1String("Geometry: 790x514")));
    }

    // Where a window of the program is on the screen, and how large.
    QRect windowGeometry(const QString &id)
    {
        QString geometry;
        if (!xdotool({QStringLiteral("getwindowgeometry"), id}, &geometry))
            return {};
        const QRegularExpressionMatch place = QRegularExpression(
            QStringLiteral("Position: (\\d+),(\\d+).*Geometry: (\\d+)x(\\d+)"),
            QRegularExpression::DotMatchesEverythingOption).match(geometry);
        if (!place.hasMatch())
            return {};
        return QRect(place.captured(1).toInt(), place.captured(2).toInt(), place.captured(3).toInt(),
                     place.captured(4).toInt());
    }

    // Idle: the close button asks no exit question; it offers the installer,
    // which is declined, and the program ends well.
    void closeProgram(const QString &screenshot = QString())
    {
        click(closeButton);
        QVERIFY(QTest::qWaitFor([&] { return !otherWindows().isEmpty(); }, kStepTimeoutMs));
        const QRect offer = windowGeometry(otherWindows().first());
        QCOMPARE(offer.size(), QSize(547, 183));
        QTest::qWait(300);
        if (!screenshot.isEmpty())
            RenderCheck::saveScreenshot(QGuiApplication::primaryScreen()->grabWindow(0, offer.x(), offer.y(), offer.width(),
                                                                                   offer.height()).toImage(),
                                        screenshot);
        // NO, at (438, 141) on the wide question, 89 x 30.
        const QPoint no = offer.topLeft() + QPoint(438 + 44, 141 + 15);
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(no.x()), QString::number(no.y()),
                         QStringLiteral("click"), QStringLiteral("1")}));
        QVERIFY(program.waitForFinished(kStepTimeoutMs));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        readLog();
        QVERIFY2(!log.join(QLatin1Char('\n')).contains(QLatin1String("Error")), qPrintable(log.join(QLatin1Char('\n'))));
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is missing (scripts/install-deps installs it): no real pointer events");
        installation = std::make_unique<TestInstallation>(20);
        service.start(TestInstallation::signatures());
    }

    void cleanupTestCase()
    {
        if (program.state() == QProcess::Running) {
            program.kill();
            program.waitForFinished();
        }
    }

    void scanTrustFixAndClose()
    {
        startProgram();
        if (QTest::currentTestFailed())
            return;
        screenshotWhenSettled(QStringLiteral("program-welcome"));

        click(flashScan);
        QVERIFY(!waitForLine(QStringLiteral("quick Scan")).isEmpty());
        QVERIFY(!waitForLine(QStringLiteral("scan threat exit.")).isEmpty());
        screenshotWhenSettled(QStringLiteral("program-threats"));
        QStringList found3;
        for (const QString &line : std::as_const(log)) {
            if (line.startsWith(QLatin1String("virus: ")))
                found3 << line;
        }
        QCOMPARE(found3.size(), 3);

        click(firstTrust);
        const QString trusted = waitForLine(QStringLiteral("trust file: ")).mid(12);
        QVERIFY2(installation->threatFiles().contains(trusted), qPrintable(trusted));

        click(fixNow);
        QVERIFY(!waitForLine(QStringLiteral("qml: repair complete")).isEmpty());
        screenshotWhenSettled(QStringLiteral("program-repair-complete"));
        for (const QString &file : installation->threatFiles())
            QCOMPARE(QFileInfo::exists(file), file == trusted);

        click(resultOk);
        screenshotWhenSettled(QStringLiteral("program-back-to-welcome"));

        closeProgram(QStringLiteral("program-offer"));
    }

    // The status line follows the service as it is started and stopped:
    // "Unconnected" twice draws alike, and "Connected" otherwise.
    void statusLineFollowsTheService()
    {
        const quint16 port = freePort();
        ServiceOnPort lookups(port);
        startProgram(QStringLiteral("127.0.0.1:%1").arg(port));
        if (QTest::currentTestFailed())
            return;
        const auto statusLine = [&] { return windowImage().copy(790 - 200, 514 - 25, 200, 25); };
        // Black text on the light strip.
        const auto hasText = [](const QImage &image) {
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (qGray(image.pixel(x, y)) < 90)
                        return true;
                }
            }
            return false;
        };
        QVERIFY(QTest::qWaitFor([&] { return hasText(statusLine()); }, kStepTimeoutMs));
        screenshotWhenSettled(QStringLiteral("program-status-unconnected"));
        const QImage unconnected = statusLine();

        QVERIFY(lookups.start());
        QImage connected;
        QVERIFY(QTest::qWaitFor([&] { connected = statusLine(); return connected != unconnected; }, kStepTimeoutMs));
        screenshotWhenSettled(QStringLiteral("program-status-connected"));
        QVERIFY(hasText(statusLine()));

        lookups.stop();
        QVERIFY(QTest::qWaitFor([&] { return statusLine() == unconnected; }, kStepTimeoutMs));
        closeProgram();
    }

    // Repair, Scan, Repair, "Successfully Repaired.", OK: the planted damage
    // is gone from the hives, which an independent reader still reads; then
    // Restore from the welcome page puts them back byte for byte.
    void registryRepairAndRestore()
    {
        for (const char *tool : {"hivexget", "hivexml"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP("the hivex tools are missing (scripts/install-deps installs them)");
        }
        installation->plantRegistryDamage();
        installation->installRules(TestInstallation::defaultRules());
        const QString software = installation->hive(QStringLiteral("SOFTWARE"));
        const QString alice = installation->userHive(QStringLiteral("Alice"));
        const QByteArray softwareBefore = fileBytes(software);
        const QByteArray aliceBefore = fileBytes(alice);
        const QStringList winlogon{software, QStringLiteral("\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"),
                                   QStringLiteral("Shell")};
        QString shell;
        QCOMPARE(hivex(QStringLiteral("hivexget"), winlogon, &shell), 0);
        QVERIFY(shell.contains(QLatin1String("svch0st.exe")));

        startProgram();
        if (QTest::currentTestFailed())
            return;
        click(repairTask);
        screenshotWhenSettled(QStringLiteral("program-repair-welcome"));
        click(registryScan);
        QVERIFY(!waitForLine(QStringLiteral("qml: finishe: scan")).isEmpty());
        screenshotWhenSettled(QStringLiteral("program-repair-problems"));
        // Logged before the end, so it is there already.
        const int problems = waitForLine(QStringLiteral("qml: problem: ")).mid(14).toInt();
        QVERIFY2(problems >= 3, qPrintable(QString::number(problems)));

        click(headerButton);
        QVERIFY(!waitForLine(QStringLiteral("qml: finishe: repair")).isEmpty());
        screenshotWhenSettled(QStringLiteral("program-repair-repaired"));

        QCOMPARE(hivex(QStringLiteral("hivexget"), winlogon, &shell), 0);
        QCOMPARE(shell, QStringLiteral("explorer.exe"));
        // The debugger that sent Task Manager to the payload is gone, and the
        // policy that switched it off for Alice is off (absent or 0).
        QVERIFY(hivex(QStringLiteral("hivexget"),
                      {software, QStringLiteral("\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\taskmgr.exe"),
                       QStringLiteral("Debugger")})
                != 0);
        QString policy;
        const int policyStatus = hivex(QStringLiteral("hivexget"),
                                       {alice, QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System"),
                                        QStringLiteral("DisableTaskMgr")},
                                       &policy);
        QVERIFY2(policyStatus != 0 || policy == QLatin1String("0"), qPrintable(policy));
        for (const QString &hive : {software, alice})
            QCOMPARE(hivex(QStringLiteral("hivexml"), {hive}), 0);

        click(headerButton);
        screenshotWhenSettled(QStringLiteral("program-repair-back"));
        click(restoreLink);
        // The message box that tells how the restore went; Return closes it.
        QVERIFY(QTest::qWaitFor([&] { return !otherWindows().isEmpty(); }, kStepTimeoutMs));
        const QString box = otherWindows().first();
        const QRect boxPlace = windowGeometry(box);
        QVERIFY(!boxPlace.isEmpty());
        QTest::qWait(300);
        RenderCheck::saveScreenshot(QGuiApplication::primaryScreen()
                                        ->grabWindow(0, boxPlace.x(), boxPlace.y(), boxPlace.width(), boxPlace.height())
                                        .toImage(),
                                    QStringLiteral("program-restore-message"));
        QCOMPARE(fileBytes(software), softwareBefore);
        QCOMPARE(fileBytes(alice), aliceBefore);
        QVERIFY(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), box, QStringLiteral("key"),
                         QStringLiteral("Return")}));
        QVERIFY(QTest::qWaitFor([&] { return otherWindows().isEmpty(); }, kStepTimeoutMs));
        closeProgram();
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
