// The folder tree of a custom scan: what loads when, how checks run down and
// up, and which folders a choice gives the scan.

#include "QMyFileSystemModel.h"

#include "ScanFixtures.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// /mnt with two drives: c holds Users (Alice, Bob, Carol), Windows and a
// hidden folder; d holds data. Each has a file or two, which the tree never
// shows.
void makeDrives(const QString &mnt)
{
    for (const char *folder : {"c/Users/Alice/Documents", "c/Users/Bob", "c/Users/Carol", "c/Windows/System32",
                               "c/.hidden/inside", "d/data"})
        QDir().mkpath(mnt + QLatin1Char('/') + QLatin1String(folder));
    ScanFixtures::writeFile(mnt + QStringLiteral("/c/pagefile.sys"), "not a folder");
    ScanFixtures::writeFile(mnt + QStringLiteral("/c/Users/Alice/NTUSER.DAT"), "hive");
}

} // namespace

class TestCustomSelect : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root;
    QString mnt;

    static QStandardItem *find(QMyFileSystemModel &model, const QString &path)
    {
        QStandardItem *item = model.invisibleRootItem();
        for (const QString &name : path.split(QLatin1Char('/'))) {
            QStandardItem *next = nullptr;
            for (int row = 0; row < item->rowCount() && !next; ++row) {
                if (item->child(row)->text() == name)
                    next = item->child(row);
            }
            if (!next)
                return nullptr;
            item = next;
        }
        return item;
    }

    static void check(QMyFileSystemModel &model, QStandardItem *item, Qt::CheckState state)
    {
        QVERIFY(model.setData(item->index(), state, Qt::CheckStateRole));
    }

    QStringList chosen(QMyFileSystemModel &model) const
    {
        QStringList out;
        for (const DirectoryEntry &entry : model.checkedDirectories())
            out << QDir(mnt).relativeFilePath(entry.dir.absolutePath()) + (entry.recursive ? QString() : QStringLiteral(" (flat)"));
        return out;
    }

    static QStringList names(const QStandardItem *item)
    {
        QStringList out;
        for (int row = 0; row < item->rowCount(); ++row)
            out << item->child(row)->text();
        return out;
    }

private slots:
    void initTestCase()
    {
        mnt = root.filePath(QStringLiteral("mnt"));
        makeDrives(mnt);
    }

    // Two levels from the start, folders only, hidden ones never, by name;
    // paths, check boxes, nothing editable.
    void loadsOneLevelAhead()
    {
        QMyFileSystemModel model;
        model.populateRoot(mnt);
        QCOMPARE(names(model.invisibleRootItem()), (QStringList{"c", "d"}));
        QStandardItem *c = find(model, QStringLiteral("c"));
        QCOMPARE(names(c), (QStringList{"Users", "Windows"}));
        QCOMPARE(find(model, QStringLiteral("c/Users"))->rowCount(), 0);
        QCOMPARE(c->data(QMyFileSystemModel::PathRole).toString(), mnt + QStringLiteral("/c"));
        QVERIFY(c->isCheckable());
        QVERIFY(!c->isEditable());
        QVERIFY(!c->isUserTristate());
        QCOMPARE(c->checkState(), Qt::Unchecked);

        model.onExpanded(c->index());
        QCOMPARE(names(find(model, QStringLiteral("c/Users"))), (QStringList{"Alice", "Bob", "Carol"}));
        QCOMPARE(find(model, QStringLiteral("c/Users/Alice"))->rowCount(), 0);
    }

    void emptyMnt()
    {
        QTemporaryDir empty;
        QMyFileSystemModel model;
        model.populateRoot(empty.path());
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(model.checkedDirectories().isEmpty());
    }

    // A top-level folder checked: every loaded folder below checked, and the
    // choice is that folder alone.
    void checkRunsDown()
    {
        QMyFileSystemModel model;
        model.populateRoot(mnt);
        model.onExpanded(find(model, QStringLiteral("c"))->index());
        check(model, find(model, QStringLiteral("c")), Qt::Checked);
        for (const char *path : {"c/Users", "c/Windows", "c/Users/Alice", "c/Users/Carol"})
            QCOMPARE(find(model, QLatin1String(path))->checkState(), Qt::Checked);
        QCOMPARE(chosen(model), QStringList{"c"});
        check(model, find(model, QStringLiteral("c")), Qt::Unchecked);
        QCOMPARE(find(model, QStringLiteral("c/Users/Bob"))->checkState(), Qt::Unchecked);
        QVERIFY(chosen(model).isEmpty());
    }

    // Two of three subfolders: the folder partly checked, two entries; the
    // third: the folder checked, and itself the one entry; the last one
    // unchecked again: the folder unchecked.
    void checksDeriveUp()
    {
        QMyFileSystemModel model;
        model.populateRoot(mnt);
        model.onExpanded(find(model, QStringLiteral("c"))->index());
        QStandardItem *users = find(model, QStringLiteral("c/Users"));
        check(model, find(model, QStringLiteral("c/Users/Alice")), Qt::Checked);
        check(model, find(model, QStringLiteral("c/Users/Carol")), Qt::Checked);
        QCOMPARE(users->checkState(), Qt::PartiallyChecked);
        QCOMPARE(find(model, QStringLiteral("c"))->checkState(), Qt::PartiallyChecked);
        QCOMPARE(chosen(model), (QStringList{"c/Users/Alice", "c/Users/Carol"}));

        check(model, find(model, QStringLiteral("c/Users/Bob")), Qt::Checked);
        QCOMPARE(users->checkState(), Qt::Checked);
        // Windows is not checked, so c stays partly checked.
        QCOMPARE(find(model, QStringLiteral("c"))->checkState(), Qt::PartiallyChecked);
        QCOMPARE(chosen(model), QStringList{"c/Users"});

        for (const char *user : {"c/Users/Alice", "c/Users/Bob", "c/Users/Carol"})
            check(model, find(model, QLatin1String(user)), Qt::Unchecked);
        QCOMPARE(users->checkState(), Qt::Unchecked);
        QCOMPARE(find(model, QStringLiteral("c"))->checkState(), Qt::Unchecked);
        QVERIFY(chosen(model).isEmpty());
    }

    // A partly checked folder checked: it and everything loaded below it.
    void partialFolderChecked()
    {
        QMyFileSystemModel model;
        model.populateRoot(mnt);
        model.onExpanded(find(model, QStringLiteral("c"))->index());
        check(model, find(model, QStringLiteral("c/Users/Bob")), Qt::Checked);
        QStandardItem *users = find(model, QStringLiteral("c/Users"));
        QCOMPARE(users->checkState(), Qt::PartiallyChecked);
        check(model, users, Qt::Checked);
        QCOMPARE(names(users).size(), 3);
        for (int row = 0; row < users->rowCount(); ++row)
            QCOMPARE(users->child(row)->checkState(), Qt::Checked);
    }

    // Checked before its subfolders were loaded: they come in checked.
    // Opened again later, the level below its children is loaded anew and
    // takes their states: the checks set there before are gone.
    void laterLoadsTakeTheParentsState()
    {
        QMyFileSystemModel model;
        model.populateRoot(mnt);
        check(model, find(model, QStringLiteral("c/Users")), Qt::Checked);
        QCOMPARE(find(model, QStringLiteral("c/Users"))->rowCount(), 0);
        model.onExpanded(find(model, QStringLiteral("c"))->index());
        for (const char *user : {"c/Users/Alice", "c/Users/Bob", "c/Users/Carol"})
            QCOMPARE(find(model, QLatin1String(user))->checkState(), Qt::Checked);

        model.onExpanded(find(model, QStringLiteral("c/Users"))->index());
        check(model, find(model, QStringLiteral("c/Users/Alice/Documents")), Qt::Unchecked);
        QCOMPARE(find(model, QStringLiteral("c/Users/Alice"))->checkState(), Qt::Unchecked);
        QCOMPARE(find(model, QStringLiteral("c/Users"))->checkState(), Qt::PartiallyChecked);
        QCOMPARE(chosen(model), (QStringList{"c/Users/Bob", "c/Users/Carol"}));

        // c opened again: the users are loaded anew in the state of Users.
        model.onExpanded(find(model, QStringLiteral("c"))->index());
        QCOMPARE(find(model, QStringLiteral("c/Users/Alice/Documents")), nullptr);
        for (const char *user : {"c/Users/Alice", "c/Users/Bob", "c/Users/Carol"})
            QCOMPARE(find(model, QLatin1String(user))->checkState(), Qt::PartiallyChecked);
        QVERIFY(chosen(model).isEmpty());
    }

    // Only the check state runs the propagation; other roles are the base
    // model's, and a value that is no check state changes the item alone.
    void otherRolesAndValues()
    {
        QMyFileSystemModel model;
        model.populateRoot(mnt);
        QStandardItem *c = find(model, QStringLiteral("c"));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(c->index(), QStringLiteral("C:"), Qt::DisplayRole));
        QCOMPARE(c->text(), QStringLiteral("C:"));
        QVERIFY(model.setData(c->index(), 7, Qt::CheckStateRole));
        QCOMPARE(find(model, QStringLiteral("C:/Users"))->checkState(), Qt::Unchecked);
        QVERIFY(changed.count() >= 2);
    }
};

QTEST_MAIN(TestCustomSelect)
#include "tst_customselect.moc"
