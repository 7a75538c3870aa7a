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
