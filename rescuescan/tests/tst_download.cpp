// The installer offer and its download against a loopback HTTPS site whose
// certificate authority the test makes: only a whole answer over HTTPS from
// a site that proves who it is becomes wrdsetup.exe and a run-once value;
// every other end leaves the drive and the registry as they were.

#include "QDownloadDialog.h"
#include "app/mainwindowstart.h"
#include "app/qmlapplicationviewer.h"

#include "NimbixdProcess.h"
#include "rendercheck.h"
#include "support/modalwatch.h"
#include "support/questions.h"
#include "support/testinstallation.h"
#include "support/testsite.h"

#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

constexpr int kTimeoutMs = 60000;
const QString installerPath = QStringLiteral("/software/wrdsetup.php");
const char runOnceKey[] = "\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

QByteArray installerBytes()
{
    QByteArray bytes(300 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(17);
    for (char &byte : bytes)
        byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

TestSite::Answer redirectTo(int status, const QString &where)
{
    TestSite::Answer answer;
    answer.status = status;
    answer.body = "moved";
    answer.headers = {{"Location", where.toUtf8()}};
    return answer;
}

TestSite::Answer installer(const QByteArray &bytes)
{
    TestSite::Answer answer;
    answer.body = bytes;
    return answer;
}

using Answers = QList<QPair<QString, TestSite::Answer>>;

// What a download ended with.
struct Outcome
{
    bool started = false;
    int result = -1;
    QString failure;
    QStringList titles;
};

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestInstallation> installation;
    std::unique_ptr<TestSite> site;
    const QByteArray bytes = installerBytes();

    QString target() const { return installation->drive() + QStringLiteral("/wrdsetup.exe"); }

    // Every file of the drive's top folder that a download may have left.
    QStringList leftovers() const
    {
        return QDir(installation->drive()).entryList({QStringLiteral("wrdsetup*")}, QDir::Files | QDir::Hidden);
    }

    QString runOnceValue() const
    {
        QProcess hivexget;
        hivexget.start(QStringLiteral("hivexget"),
                       {installation->hive(QStringLiteral("SOFTWARE")), QLatin1String(runOnceKey), QStringLiteral("wrdsetup")});
        hivexget.waitForFinished(kTimeoutMs);
        return hivexget.exitCode() == 0 ? QString::fromUtf8(hivexget.readAllStandardOutput()).trimmed() : QString();
    }

    static Outcome download(const std::function<void(QDownloadDialog &)> &whileRunning = {})
    {
        Outcome outcome;
        QDownloadDialog dialog;
        dialog.centerOnDesktop();
        outcome.started = dialog.startDownload();
        if (!outcome.started)
            return outcome;
        QObject::connect(&dialog, &QWidget::windowTitleChanged, &dialog,
                         [&](const QString &title) { outcome.titles << title; });
        if (whileRunning)
            QTimer::singleShot(0, &dialog, [&] { whileRunning(dialog); });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, &dialog, &QDialog::reject);
        safety.start(kTimeoutMs);
        outcome.result = dialog.exec();
        if (outcome.result == QDialog::Rejected)
            dialog.removeDownload();
        outcome.failure = dialog.failure();
        return outcome;
    }

    void useSite(const QString &base) { qputenv("RESCUESCAN_SITE", base.toUtf8()); }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
            QSKIP("openssl is missing (scripts/install-deps installs it): no test certificate authority");
        installation = std::make_unique<TestInstallation>();
        qputenv("RESCUESCAN_SYSROOT", QFile::encodeName(installation->sysroot()));
        // The status line's lookups go to a port nobody listens on.
        qputenv("NIMBIX_SERVER", "127.0.0.1:9");
        site = std::make_unique<TestSite>();
        QVERIFY2(site->isReady(), qPrintable(site->problem()));
    }

    void init()
    {
        useSite(site->base());
        QFile::remove(target());
    }

    void downloads_data()
    {
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QString>("failure");

        TestSite::Answer chunked = installer(bytes);
        chunked.chunked = true;
        chunked.trickle = true;
        TestSite::Answer cut = installer(bytes);
        cut.cut = true;
        TestSite::Answer shorter = installer(bytes);
        shorter.announced = bytes.size() + 1000;
        TestSite::Answer notFound;
        notFound.status = 404;
        notFound.body = "<html>no such page</html>";

        QTest::newRow("complete") << Answers{{installerPath, installer(bytes)}} << true << QString();
        for (const int status : {301, 302, 303, 307, 308})
            QTest::addRow("redirected by %d", status)
                << Answers{{installerPath, redirectTo(status, QStringLiteral("/dl/wrdsetup.exe"))},
                           {QStringLiteral("/dl/wrdsetup.exe"), installer(bytes)}}
                << true << QString();
        QTest::newRow("no size announced") << Answers{{installerPath, chunked}} << true << QString();
        QTest::newRow("redirected to http")
            << Answers{{installerPath, redirectTo(302, QStringLiteral("http://127.0.0.1:9/wrdsetup.exe"))}} << false
            << "no HTTPS address";
        Answers loop;
        for (int hop = 0; hop < 7; ++hop)
            loop << qMakePair(hop == 0 ? installerPath : QStringLiteral("/hop%1").arg(hop),
                              redirectTo(302, QStringLiteral("/hop%1").arg(hop + 1)));
        QTest::newRow("redirected without end") << loop << false << "too many times";
        QTest::newRow("cut connection") << Answers{{installerPath, cut}} << false << "could not be downloaded";
        QTest::newRow("shorter than announced") << Answers{{installerPath, shorter}} << false << "";
        QTest::newRow("not found") << Answers{{installerPath, notFound}} << false << "could not be downloaded";
    }

    // A whole answer becomes wrdsetup.exe, nothing else is left beside it;
    // any other end leaves an existing wrdsetup.exe as it was.
    void downloads()
    {
        QFETCH(Answers, answers);
        QFETCH(bool, whole);
        QFETCH(QString, failure);
        for (const auto &[path, answer] : answers)
            site->answer(path, answer);
        const QByteArray before = "an older download, kept";
        if (!whole) {
            QFile old(target());
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(before);
        }

        const Outcome outcome = download();
        QVERIFY(outcome.started);
        QCOMPARE(outcome.result, whole ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(fileBytes(target()), whole ? bytes : before);
        QCOMPARE(leftovers(), QStringList{QStringLiteral("wrdsetup.exe")});
        if (whole)
            QVERIFY(outcome.failure.isEmpty());
        else
            QVERIFY2(!outcome.failure.isEmpty() && outcome.failure.contains(failure), qPrintable(outcome.failure));
        // Without a size announced the title counts against -1.
        if (QTest::currentDataTag() == QLatin1String("no size announced")) {
            const QStringList counting = outcome.titles.filter(QRegularExpression(QStringLiteral("^\\d+ / -1$")));
            QVERIFY2(!counting.isEmpty(), qPrintable(outcome.titles.join(QLatin1String(", "))));
        } else if (whole) {
            QCOMPARE(outcome.titles.last(), QStringLiteral("%1 / %1").arg(bytes.size()));
        }
    }

    // Cancel while the answer is still coming: nothing is kept.
    void cancel()
    {
        TestSite::Answer slow = installer(bytes);
        slow.hold = true;
        site->answer(installerPath, slow);
        QImage shot;
        QString title;
        const Outcome outcome = download([&](QDownloadDialog &dialog) {
            QTRY_VERIFY_WITH_TIMEOUT(dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"))->value() > 0, kTimeoutMs);
            title = dialog.windowTitle();
            shot = dialog.grab().toImage();
            QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
        });
        RenderCheck::saveScreenshot(shot, QStringLiteral("download"));
        QCOMPARE(outcome.result, int(QDialog::Rejected));
        QCOMPARE(outcome.failure, QString());
        QVERIFY2(title.endsWith(QStringLiteral(" / %1").arg(bytes.size())), qPrintable(title));
        QCOMPARE(leftovers(), QStringList());
        QCOMPARE(shot.size(), QSize(460, 42));
    }

    // A site that cannot prove who it is gets nothing written.
    void untrustedCertificate()
    {
        TestSite stranger(TestSite::Trust::Untrusted);
        QVERIFY2(stranger.isReady(), qPrintable(stranger.problem()));
        stranger.answer(installerPath, installer(bytes));
        useSite(stranger.base());
        const Outcome outcome = download();
        QCOMPARE(outcome.result, int(QDialog::Rejected));
        QVERIFY2(outcome.failure.contains(QLatin1String("certificate")), qPrintable(outcome.failure));
        QCOMPARE(leftovers(), QStringList());
        QCOMPARE(stranger.requested(), QStringList());
    }

    // The installer never comes over plain HTTP.
    void plainHttpRefused()
    {
        useSite(QStringLiteral("http://127.0.0.1:%1").arg(QUrl(site->base()).port()));
        QString told;
        ModalWatch box(ModalWatch::ofType<QMessageBox>(), [&](QWidget *widget) {
            told = qobject_cast<QMessageBox *>(widget)->text();
            qobject_cast<QMessageBox *>(widget)->accept();
        });
        const Outcome outcome = download();
        QVERIFY(!outcome.started);
        QVERIFY2(told.contains(QLatin1String("HTTPS")), qPrintable(told));
        QCOMPARE(leftovers(), QStringList());
    }

    // Closing the idle program offers the installer; "no" changes nothing.
    void offerAnsweredNo()
    {
        site->answer(installerPath, installer(bytes));
        const QByteArray software = fileBytes(installation->hive(QStringLiteral("SOFTWARE")));
        const qsizetype requestsBefore = site->requested().size();
        QmlApplicationViewer viewer;
        showMainWindow(viewer);
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QString offer;
        QVERIFY(answering(false, [&] { clickItem(&viewer, "closeButton"); }, &offer, [&](const OpenQuestion &q) {
            RenderCheck::saveScreenshot(freshFrame(q.viewer), QStringLiteral("offer"));
            QCOMPARE(q.frame->size(), QSize(547, 183));
        }));
        QVERIFY(offer.contains(QLatin1String("Wardline")));
        QVERIFY(!viewer.isVisible());
        QCOMPARE(leftovers(), QStringList());
        QCOMPARE(fileBytes(installation->hive(QStringLiteral("SOFTWARE"))), software);
        QCOMPARE(site->requested().size(), requestsBefore);
    }

    // "Yes": the installer lands on the drive and Windows is told to run it
    // once: the run-once value of the SOFTWARE hive, read back by hivexget.
    void offerAcceptedDownloadsAndSchedules()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("hivexget")).isEmpty())
            QSKIP("hivexget is missing (scripts/install-deps installs it)");
        site->answer(installerPath, redirectTo(302, QStringLiteral("/dl/wrdsetup.exe")));
        site->answer(QStringLiteral("/dl/wrdsetup.exe"), installer(bytes));
        QCOMPARE(runOnceValue(), QString());
        QmlApplicationViewer viewer;
        showMainWindow(viewer);
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QVERIFY(answering(true, [&] { clickItem(&viewer, "closeButton"); }));
        QVERIFY(!viewer.isVisible());
        QCOMPARE(fileBytes(target()), bytes);
        QCOMPARE(runOnceValue(), QStringLiteral("C:\\wrdsetup.exe"));
    }

    // A download that fails says why, and Windows is told nothing.
    void offerWhoseDownloadFails()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("hivexget")).isEmpty())
            QSKIP("hivexget is missing (scripts/install-deps installs it)");
        TestSite::Answer notFound;
        notFound.status = 404;
        site->answer(installerPath, notFound);
        const QByteArray software = fileBytes(installation->hive(QStringLiteral("SOFTWARE")));
        QmlApplicationViewer viewer;
        showMainWindow(viewer);
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QString told;
        ModalWatch box(ModalWatch::ofType<QMessageBox>(), [&](QWidget *widget) {
            told = qobject_cast<QMessageBox *>(widget)->text();
            qobject_cast<QMessageBox *>(widget)->accept();
        });
        QVERIFY(answering(true, [&] { clickItem(&viewer, "closeButton"); }));
        QVERIFY(box.seen());
        QVERIFY2(told.contains(QLatin1String("could not be downloaded")), qPrintable(told));
        QCOMPARE(leftovers(), QStringList());
        QCOMPARE(fileBytes(installation->hive(QStringLiteral("SOFTWARE"))), software);
    }
};

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
