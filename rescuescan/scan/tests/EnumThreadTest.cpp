#include "DirectoryList.h"
#include "EnumThread.h"
#include "ScanFixtures.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using ScanFixtures::writeFile;

class EnumThreadTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root;

    QString path(const QString& relative) const { return root.filePath(relative); }

    void link(const QString& target, const QString& name)
    {
        QVERIFY2(QFile::link(target, path(name)), qPrintable(name));
    }

    // Runs one enumeration to its end; the files it reported, relative to
    // the temporary root.
    QStringList enumerate(const DirectoryList& targets, bool topLevelLinks)
    {
        EnumThread walker(targets, topLevelLinks);
        QSignalSpy found(&walker, &EnumThread::filefound);
        QSignalSpy finished(&walker, &EnumThread::enumFinished);
        walker.start();
        walker.wait();
        [&] { QCOMPARE(finished.size(), 1); }();
        QStringList files;
        const QString prefix = QDir::toNativeSeparators(root.path() + QLatin1Char('/'));
        for (const QList<QVariant>& report : found)
            files << report.at(0).toString().remove(0, prefix.size());
        return files;
    }

    DirectoryList targets(const QStringList& folders)
    {
        DirectoryList list;
        for (const QString& folder : folders) {
            const bool flat = folder.endsWith(QLatin1Char('!'));
            list.append(DirectoryEntry{QDir(path(flat ? folder.chopped(1) : folder)), !flat});
        }
        return list;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        for (const char* name : {"order/alpha", "order/Beta", "order/gamma", "order/.hidden",
                                 "order/delta/one", "order/delta/Two",
                                 "links/a.txt", "links/sub/s.txt",
                                 "outside/o.txt", "outside/inner/i.txt"})
            writeFile(path(QString::fromLatin1(name)), name);
        // System entries are never listed.
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("order/fifo"))).constData(), 0644), 0);

        link(QStringLiteral("../outside"), QStringLiteral("links/linkdir"));
        link(QStringLiteral("../outside/o.txt"), QStringLiteral("links/linkfile"));
        link(QStringLiteral("../nowhere"), QStringLiteral("links/broken"));
        link(QStringLiteral("."), QStringLiteral("links/self"));
        link(QStringLiteral("../../outside"), QStringLiteral("links/sub/deeplink"));
        link(QStringLiteral("../../outside/o.txt"), QStringLiteral("links/sub/deepfile"));
    }

    // Targets are written "folder" (recursive) or "folder!" (only its files).
    void order_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<bool>("topLevelLinks");
        QTest::addColumn<QStringList>("expected");

        const QStringList order{"order/.hidden", "order/alpha", "order/Beta",
                                "order/delta/one", "order/delta/Two", "order/gamma"};
        QTest::newRow("one listing, ignoring case, folders among files")
            << QStringList{"order"} << true << order;
        QTest::newRow("not recursive: files directly inside, no folder")
            << QStringList{"order!"} << true
            << QStringList{"order/.hidden", "order/alpha", "order/Beta", "order/gamma"};
        QTest::newRow("targets in their order, overlaps reported twice")
            << QStringList{"order/delta", "order"} << false
            << QStringList{"order/delta/one", "order/delta/Two"} + order;
        QTest::newRow("missing target")
            << QStringList{"nowhere", "order/delta"} << true
            << QStringList{"order/delta/one", "order/delta/Two"};

        // Links are followed in the first listing of a quick or full scan, a
        // link back up the tree once; deeper down, and in a custom scan,
        // links are not listed at all. A dangling link is never listed.
        QTest::newRow("quick or full scan follows first-level links")
            << QStringList{"links"} << true
            << QStringList{"links/a.txt", "links/linkdir/inner/i.txt", "links/linkdir/o.txt",
                           "links/linkfile", "links/self/a.txt", "links/self/sub/s.txt",
                           "links/sub/s.txt"};
        QTest::newRow("custom scan lists no links")
            << QStringList{"links"} << false << QStringList{"links/a.txt", "links/sub/s.txt"};
        QTest::newRow("not recursive, quick: file links only")
            << QStringList{"links!"} << true << QStringList{"links/a.txt", "links/linkfile"};
        QTest::newRow("not recursive, custom")
            << QStringList{"links!"} << false << QStringList{"links/a.txt"};
    }

    void order()
    {
        QFETCH(QStringList, folders);
        QFETCH(bool, topLevelLinks);
        QFETCH(QStringList, expected);
        QCOMPARE(enumerate(targets(folders), topLevelLinks), expected);
    }

    void unreadableFolderIsSkipped()
    {
        if (ScanFixtures::runningAsRoot())
            QSKIP("root reads folders of mode 000; rescuectl's test covers this as an ordinary user");
        writeFile(path(QStringLiteral("perms/a.txt")), "a");
        writeFile(path(QStringLiteral("perms/locked/x.txt")), "x");
        writeFile(path(QStringLiteral("perms/z.txt")), "z");
        QVERIFY(QFile::setPermissions(path(QStringLiteral("perms/locked")), QFile::Permissions()));
        const QStringList files = enumerate(targets({QStringLiteral("perms")}), true);
        QFile::setPermissions(path(QStringLiteral("perms/locked")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(files, QStringList({"perms/a.txt", "perms/z.txt"}));
    }

    // A folder mounted inside itself is walked once, not until the stack
    // runs out.
    void folderLoopEnds()
    {
        writeFile(path(QStringLiteral("loop/f.txt")), "f");
        QDir().mkpath(path(QStringLiteral("loop/again")));
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("--bind"), path(QStringLiteral("loop")),
                                              path(QStringLiteral("loop/again"))});
        if (!mount.waitForFinished() || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
            QSKIP("needs to bind-mount a folder into itself (root with mount rights)");
        const QStringList files = enumerate(targets({QStringLiteral("loop")}), true);
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), path(QStringLiteral("loop/again"))});
        QCOMPARE(files, QStringList({"loop/f.txt"}));
    }

    void stopEndsWithEnumFinished()
    {
        EnumThread walker(targets({QStringLiteral("order")}), true);
        QSignalSpy found(&walker, &EnumThread::filefound);
        QSignalSpy finished(&walker, &EnumThread::enumFinished);
        walker.stop();
        QVERIFY(walker.isStopped());
        walker.start();
        walker.wait();
        QCOMPARE(found.size(), 0);
        QCOMPARE(finished.size(), 1);
    }

    void directoryListTravelsThroughQVariant()
    {
        const DirectoryList list = targets({QStringLiteral("order"), QStringLiteral("links!")});
        const QVariant variant = QVariant::fromValue(list);
        QCOMPARE(variant.metaType(), QMetaType::fromType<DirectoryList>());
        QCOMPARE(variant.value<DirectoryList>(), list);
        QVERIFY(QMetaType::fromName("DirectoryList").isValid());
    }
};

QTEST_GUILESS_MAIN(EnumThreadTest)
#include "EnumThreadTest.moc"
