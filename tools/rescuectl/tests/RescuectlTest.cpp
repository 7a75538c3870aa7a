#include "FaultyHttpServer.h"
#include "NimbixdProcess.h"
#include "ScanFixtures.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using ScanFixtures::signature;
using ScanFixtures::writeFile;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class RescuectlTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root;
    NimbixdProcess service;

    QString path(const QString& relative) const { return root.filePath(relative); }

    // Runs rescuectl with the service and system root of this test; prefix
    // runs it through another program (to change user).
    Run rescuectl(const QStringList& arguments, const QString& server = QString(),
                  const QStringList& prefix = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("NIMBIX_SERVER"), server.isEmpty() ? service.address() : server);
        env.insert(QStringLiteral("RESCUESCAN_SYSROOT"), path(QStringLiteral("sysroot")));
        process.setProcessEnvironment(env);
        const QString program = QStringLiteral(RESCUECTL_EXECUTABLE);
        if (prefix.isEmpty())
            process.start(program, arguments);
        else
            process.start(prefix.first(), prefix.mid(1) + QStringList{program} + arguments);
        Run run;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return run;
        run.exitCode = process.exitCode();
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    static QStringList threatLines(const Run& run)
    {
        QStringList lines;
        for (const QString& line : run.out.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("Threat found: ")))
                lines << line;
        return lines;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        writeFile(path(QStringLiteral("sysroot/windows/System32/evil.exe")), "EVIL-ONE");
        writeFile(path(QStringLiteral("sysroot/windows/notepad.exe")), "notepad");
        writeFile(path(QStringLiteral("sysroot/mnt/sda1/Users/worm.dll")), "EVIL-TWO");
        writeFile(path(QStringLiteral("sysroot/mnt/sda1/readme.txt")), "readme");
        QVERIFY(QFile::link(QStringLiteral("../mnt/sda1"), path(QStringLiteral("sysroot/windows/drive"))));
        writeFile(path(QStringLiteral("clean/a.txt")), "a");
        writeFile(path(QStringLiteral("hostile/evil\x1b[2J\r\nScanned 9 of 9 files, 0 threats found.exe")),
                  "EVIL-ESC");
        service.start({signature("EVIL-ONE", QStringLiteral("Trojan.One")),
                       signature("EVIL-TWO", QStringLiteral("Worm.Two")),
                       signature("EVIL-ESC", QStringLiteral("Trojan\x1b]0;pwned\x07\u202e"))});
    }

    void scanTargets_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("threats");
        QTest::addColumn<QString>("summary");

        const QString evil = path(QStringLiteral("sysroot/windows/System32/evil.exe"));
        const QString worm = path(QStringLiteral("sysroot/mnt/sda1/Users/worm.dll"));
        const QString wormViaLink = path(QStringLiteral("sysroot/windows/drive/Users/worm.dll"));
        QTest::newRow("quick scan follows a first-level link")
            << QStringList{QStringLiteral("--quick")} << 1
            << QStringList{"Threat found: Worm.Two in " + wormViaLink, "Threat found: Trojan.One in " + evil}
            << QStringLiteral("Scanned 4 of 4 files, 2 threats found");
        QTest::newRow("quick scan is the default")
            << QStringList{} << 1
            << QStringList{"Threat found: Worm.Two in " + wormViaLink, "Threat found: Trojan.One in " + evil}
            << QStringLiteral("Scanned 4 of 4 files, 2 threats found");
        QTest::newRow("full scan")
            << QStringList{QStringLiteral("--full")} << 1
            << QStringList{"Threat found: Worm.Two in " + worm}
            << QStringLiteral("Scanned 2 of 2 files, 1 threats found");
        QTest::newRow("custom scan follows no link")
            << QStringList{path(QStringLiteral("sysroot/windows"))} << 1
            << QStringList{"Threat found: Trojan.One in " + evil}
            << QStringLiteral("Scanned 2 of 2 files, 1 threats found");
        QTest::newRow("no threat")
            << QStringList{path(QStringLiteral("clean"))} << 0 << QStringList{}
            << QStringLiteral("Scanned 1 of 1 files, 0 threats found, 0 not checked");
    }

    void scanTargets()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, threats);
        QFETCH(QString, summary);
        const Run run = rescuectl(QStringList{QStringLiteral("scan")} + arguments);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.out + run.err));
        QCOMPARE(threatLines(run), threats);
        QVERIFY2(run.out.contains(summary), qPrintable(run.out));
        // Not a terminal: no status line.
        QVERIFY(!run.out.contains(QLatin1Char('\r')));
    }

    void removeDeletesThreatFilesOnce()
    {
        const QString readOnly = path(QStringLiteral("fix/sub/locked.exe"));
        writeFile(path(QStringLiteral("fix/evil.exe")), "EVIL-ONE");
        writeFile(readOnly, "EVIL-TWO");
        writeFile(path(QStringLiteral("fix/sub/keep.txt")), "keep");
        QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        // The second target overlaps the first: its threat is reported twice.
        const Run run = rescuectl({QStringLiteral("scan"), QStringLiteral("--remove"),
                                   path(QStringLiteral("fix")), path(QStringLiteral("fix/sub"))});
        QVERIFY2(run.exitCode == 1, qPrintable(run.out + run.err));
        QCOMPARE(threatLines(run).size(), 3);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("fix/evil.exe"))));
        QVERIFY(!QFileInfo::exists(readOnly));
        QVERIFY(QFileInfo::exists(path(QStringLiteral("fix/sub/keep.txt"))));
        QVERIFY2(run.out.contains(QStringLiteral("Removed 2 of 2 threat files.")), qPrintable(run.out));
        QVERIFY(run.err.contains("remove: " + readOnly));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--fast"} << QStringLiteral("unknown option \"--fast\"");
        QTest::newRow("missing folder") << QStringList{path(QStringLiteral("nowhere"))}
                                        << "no such folder: " + path(QStringLiteral("nowhere"));
        QTest::newRow("a file, not a folder") << QStringList{path(QStringLiteral("clean/a.txt"))}
                                              << "not a folder: " + path(QStringLiteral("clean/a.txt"));
        QTest::newRow("two kinds") << QStringList{"--quick", path(QStringLiteral("clean"))}
                                   << QStringLiteral("give either --quick, --full or folders");
    }

    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run run = rescuectl(QStringList{QStringLiteral("scan")} + arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void unreachableService()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const QString closed = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
        const Run run = rescuectl({QStringLiteral("scan"), path(QStringLiteral("clean"))}, closed);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QStringLiteral("Fail to connect cloud server.")), qPrintable(run.err));
    }

    // Files and folders the scan cannot read are skipped, with a log line,
    // and the scan goes on. Permission bits do not stop root, so as root the
    // scan runs as the user nobody.
    void unreadableFilesAndFolders()
    {
        QStringList prefix;
        if (ScanFixtures::runningAsRoot()) {
            prefix = {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                      QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
            if (QProcess::execute(prefix.first(), prefix.mid(1) + QStringList{QStringLiteral(RESCUECTL_EXECUTABLE), QStringLiteral("--help")}) != 0)
                QSKIP("as root this needs setpriv and a build folder the user nobody can reach");
            QVERIFY(QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                           | QFile::ReadOther | QFile::ExeOther));
        }
        const QString folder = path(QStringLiteral("perms"));
        writeFile(folder + "/a-evil.exe", "EVIL-ONE");
        writeFile(folder + "/b-locked.exe", "EVIL-ONE");
        writeFile(folder + "/c-closed/evil.exe", "EVIL-TWO");
        writeFile(folder + "/d-evil.exe", "EVIL-TWO");
        QVERIFY(QFile::setPermissions(folder + "/b-locked.exe", QFile::Permissions()));
        QVERIFY(QFile::setPermissions(folder + "/c-closed", QFile::Permissions()));

        const Run run = rescuectl({QStringLiteral("scan"), folder}, QString(), prefix);
        QFile::setPermissions(folder + "/c-closed", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // Threats found, but one file not checked: the scan is incomplete.
        QVERIFY2(run.exitCode == 2, qPrintable(run.out + run.err));
        QCOMPARE(threatLines(run), QStringList({"Threat found: Trojan.One in " + folder + "/a-evil.exe",
                                                "Threat found: Worm.Two in " + folder + "/d-evil.exe"}));
        QVERIFY2(run.out.contains(QStringLiteral("Scanned 3 of 3 files, 2 threats found, 1 not checked")),
                 qPrintable(run.out));
        QVERIFY2(run.err.contains(QStringLiteral("query_file exception: cannot read file")), qPrintable(run.err));
        QVERIFY2(run.out.contains("Not checked: " + folder + "/b-locked.exe (cannot read file"), qPrintable(run.out));
    }

    // A service that is reachable but gives no verdict must not make the
    // scan an all-clear: exit 2, the count in the totals, each file with the
    // cause of its failure.
    void lookupFailuresAreNeverClean_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("cause");
        QTest::newRow("never answers") << 0 << QByteArray() << QStringLiteral("lookup failed: time-out after 3");
        QTest::newRow("answers late")
            << 3500 << QByteArray::fromStdString(FaultyHttpServer::json(R"({"source":"x","level":1})").bytes)
            << QStringLiteral("lookup failed: time-out after 3");
        QTest::newRow("answers garbage")
            << 0 << QByteArray::fromStdString(FaultyHttpServer::json("\x1b[2J<html>").bytes)
            << QStringLiteral("answer is not JSON: expected value at byte 0");
        QTest::newRow("answers 503")
            << 0 << QByteArray::fromStdString(FaultyHttpServer::status(503, "busy").bytes)
            << QStringLiteral("lookup failed: status 503");
    }

    void lookupFailuresAreNeverClean()
    {
        QFETCH(int, delayMs);
        QFETCH(QByteArray, reply);
        QFETCH(QString, cause);
        FaultyHttpServer broken({{reply.toStdString(), delayMs, reply.isEmpty(), false}});
        const Run run = rescuectl({QStringLiteral("scan"), path(QStringLiteral("clean"))},
                                  QString::fromStdString(broken.address()));
        QVERIFY2(run.exitCode == 2, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(QStringLiteral("Scanned 1 of 1 files, 0 threats found, 1 not checked")),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("Not checked: " + path(QStringLiteral("clean/a.txt")) + " (" + cause),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains(QStringLiteral("The scan is incomplete: 1 files could not be checked")),
                 qPrintable(run.out));
        QVERIFY2(run.err.contains("query_file exception: " + cause), qPrintable(run.err));
    }

    // A hostile file name or threat name cannot steer the terminal or forge
    // a line of the totals.
    void outsideTextIsEscaped()
    {
        const Run run = rescuectl({QStringLiteral("scan"), path(QStringLiteral("hostile"))});
        QVERIFY2(run.exitCode == 1, qPrintable(run.out + run.err));
        QCOMPARE(threatLines(run),
                 QStringList{"Threat found: Trojan\\x1b]0;pwned\\x07\\u202e in " + path(QStringLiteral("hostile/"))
                             + "evil\\x1b[2J\\r\\nScanned 9 of 9 files, 0 threats found.exe"});
        for (const QString& output : {run.out, run.err}) {
            for (const QChar c : {QChar(0x1b), QChar(0x07), QChar('\r'), QChar(0x202e)})
                QVERIFY2(!output.contains(c), qPrintable(output));
            QVERIFY2(!output.contains(QStringLiteral("\nScanned 9")), qPrintable(output));
        }
    }
};

QTEST_GUILESS_MAIN(RescuectlTest)
#include "RescuectlTest.moc"
