#include "ScanFixtures.h"
#include "SystemPaths.h"
#include "ThreatRemoval.h"

#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList logLines;

void captureLog(QtMsgType, const QMessageLogContext&, const QString& message)
{
    logLines << message;
}

// Makes a file that stays when its folder removes it: a read-only folder for
// an ordinary user, an immutable file for root. False when neither works.
bool makeUndeletable(const QString& file, bool undeletable)
{
    if (!ScanFixtures::runningAsRoot()) {
        const QString folder = QFileInfo(file).absolutePath();
        const QFile::Permissions rw = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        return QFile::setPermissions(folder, undeletable ? rw & ~QFile::Permissions(QFile::WriteOwner) : rw);
    }
    return QProcess::execute(QStringLiteral("chattr"), {undeletable ? QStringLiteral("+i") : QStringLiteral("-i"), file}) == 0;
}

} // namespace

class RemovalAndPathsTest : public QObject {
    Q_OBJECT

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

    void removesReadOnlyFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("evil.exe"));
        ScanFixtures::writeFile(file, "EVIL");
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        QVERIFY(removeThreatFile(file));
        QVERIFY(!QFileInfo::exists(file));
        QCOMPARE(logLines, QStringList{"remove: " + file});
    }

    void failureKeepsFileAndPermissions()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("kept.exe"));
        ScanFixtures::writeFile(file, "EVIL");
        const QFile::Permissions before = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(file, before));
        if (!makeUndeletable(file, true))
            QSKIP("cannot make a file undeletable here (chattr +i needs an ext file system and the right)");

        const bool removed = removeThreatFile(file);
        makeUndeletable(file, false);
        QVERIFY(!removed);
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(QFile::permissions(file) & ~QFile::Permissions(QFile::ReadUser | QFile::WriteUser),
                 before);
        QCOMPARE(logLines, QStringList{"remove failed: " + file});
    }

    void missingFileFails()
    {
        QVERIFY(!removeThreatFile(QStringLiteral("/nonexistent-folder/evil.exe")));
        QCOMPARE(logLines, QStringList{"remove failed: /nonexistent-folder/evil.exe"});
    }

    // A threat reached through a link was read through it: the file it
    // points to is what has to go, and the link with it.
    void removesWhatALinkPointsTo()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("elsewhere/evil.exe"));
        const QString link = dir.filePath(QStringLiteral("drive/evil.exe"));
        ScanFixtures::writeFile(target, "EVIL");
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("drive"))));
        QVERIFY(QFile::link(target, link));

        QVERIFY(removeThreatFile(link));
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(logLines, (QStringList{"remove: " + target + " (linked from " + link + ")", "remove: " + link}));
    }

    void danglingLinkIsRemoved()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("evil.exe"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.exe")), link));
        QVERIFY(removeThreatFile(link));
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    // The link stays too, so the list the user sees and the disk agree.
    void linkedFileThatStaysIsAFailure()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("kept/evil.exe"));
        const QString link = dir.filePath(QStringLiteral("evil.exe"));
        ScanFixtures::writeFile(target, "EVIL");
        QVERIFY(QFile::link(target, link));
        if (!makeUndeletable(target, true))
            QSKIP("cannot make a file undeletable here (chattr +i needs an ext file system and the right)");
        const bool removed = removeThreatFile(link);
        makeUndeletable(target, false);
        QVERIFY(!removed);
        QVERIFY(QFileInfo::exists(target));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(logLines, QStringList{"remove failed: " + target + " (linked from " + link + ")"});
    }

    // The first folder of /windows by name, whatever the letter case; files
    // and hidden entries are no drive.
    void windowsDrive()
    {
        QTemporaryDir root;
        const QString windows = root.filePath(QStringLiteral("windows"));
        qputenv("RESCUESCAN_SYSROOT", root.path().toUtf8());
        QVERIFY(QDir().mkpath(windows));
        QCOMPARE(SystemPaths::windowsDrive(), QString());
        ScanFixtures::writeFile(windows + QStringLiteral("/a-file"), "not a drive");
        QVERIFY(QDir().mkpath(windows + QStringLiteral("/.hidden")));
        QVERIFY(QDir().mkpath(windows + QStringLiteral("/d")));
        QCOMPARE(SystemPaths::windowsDrive(), windows + QStringLiteral("/d"));
        QVERIFY(QFile::link(QStringLiteral("d"), windows + QStringLiteral("/C")));
        QCOMPARE(SystemPaths::windowsDrive(), windows + QStringLiteral("/C"));
        qunsetenv("RESCUESCAN_SYSROOT");
    }

    void makerSite_data()
    {
        QTest::addColumn<QByteArray>("site");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unset") << QByteArray() << QStringLiteral("https://www.wardline.example");
        QTest::newRow("set") << QByteArray("https://127.0.0.1:8443") << QStringLiteral("https://127.0.0.1:8443");
        QTest::newRow("trailing slashes") << QByteArray("https://site.example//") << QStringLiteral("https://site.example");
    }

    void makerSite()
    {
        QFETCH(QByteArray, site);
        QFETCH(QString, expected);
        if (site.isNull())
            qunsetenv("RESCUESCAN_SITE");
        else
            qputenv("RESCUESCAN_SITE", site);
        QCOMPARE(SystemPaths::makerSite(), expected);
        qunsetenv("RESCUESCAN_SITE");
    }

    void systemPaths_data()
    {
        QTest::addColumn<QByteArray>("sysroot");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("unset") << QByteArray() << QString();
        QTest::newRow("folder") << QByteArray("/srv/demo") << QStringLiteral("/srv/demo");
        QTest::newRow("trailing slash") << QByteArray("/srv/demo/") << QStringLiteral("/srv/demo");
        QTest::newRow("relative") << QByteArray("demo") << QDir::current().absoluteFilePath(QStringLiteral("demo"));
    }

    void systemPaths()
    {
        QFETCH(QByteArray, sysroot);
        QFETCH(QString, prefix);
        if (sysroot.isNull())
            qunsetenv("RESCUESCAN_SYSROOT");
        else
            qputenv("RESCUESCAN_SYSROOT", sysroot);
        QCOMPARE(SystemPaths::windowsPath(), prefix + QStringLiteral("/windows"));
        QCOMPARE(SystemPaths::mountPath(), prefix + QStringLiteral("/mnt"));
        QCOMPARE(SystemPaths::registryRulesPath(), prefix + QStringLiteral("/etc/registry.json"));
        qunsetenv("RESCUESCAN_SYSROOT");
    }
};

QTEST_GUILESS_MAIN(RemovalAndPathsTest)
#include "RemovalAndPathsTest.moc"
