// The real rescuescan program, started as the rescue disk starts it, on a
// screen of 1024 x 768 against the reference lookup service and a fixture
// Windows installation with planted threats, and driven by real pointer
// events (xdotool) at the places a person clicks: Flash Scan, trust the
// first threat, Fix Now, OK, close. What the program logs says when each
// step has happened; the disk says whether the fix did what it showed.

#include "NimbixdProcess.h"
#include "rendercheck.h"
#include "support/testinstallation.h"

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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RESCUESCAN_SYSROOT"), installation->sysroot());
        env.insert(QStringLiteral("NIMBIX_SERVER"), service.address());
        env.insert(QStringLiteral("RESCUESCAN_SITE"), QStringLiteral("https://share.test.example"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(RESCUESCAN_PROGRAM), {});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

        QString found;
        QVERIFY(xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), QStringLiteral("^Quillmark Rescue Disk$")}, &found));
        const QString id = found.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0);
        QString geometry;
        QVERIFY(xdotool({QStringLiteral("getwindowgeometry"), id}, &geometry));
        const QRegularExpressionMatch position = QRegularExpression(QStringLiteral("Position: (\\d+),(\\d+)")).match(geometry);
        QVERIFY2(position.hasMatch(), qPrintable(geometry));
        window = QPoint(position.captured(1).toInt(), position.captured(2).toInt());
        if (QGuiApplication::primaryScreen()->geometry() == QRect(0, 0, 1024, 768))
            QCOMPARE(window, QPoint(117, 127));
        QVERIFY(geometry.contains(QLatin1String("Geometry: 790x514")));
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

        // Idle: the close button asks nothing and the program ends.
        click(closeButton);
        QVERIFY(program.waitForFinished(kStepTimeoutMs));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        readLog();
        QVERIFY2(!log.join(QLatin1Char('\n')).contains(QLatin1String("Error")), qPrintable(log.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
