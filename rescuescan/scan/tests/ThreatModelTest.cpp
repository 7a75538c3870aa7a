#include "ThreatItem.h"
#include "ThreatModel.h"

#include <QSignalSpy>
#include <QTest>

class ThreatModelTest : public QObject {
    Q_OBJECT

private:
    static void fill(ThreatModel& model, const QStringList& names)
    {
        for (const QString& name : names)
            model.appendThreat(new ThreatItem(name, QStringLiteral("/win/") + name + QStringLiteral(".exe"), &model));
    }

    static QStringList names(const ThreatModel& model)
    {
        QStringList out;
        for (int row = 0; row < model.rowCount(); ++row)
            out << model.data(model.index(row), ThreatModel::NameRole).toString();
        return out;
    }

private slots:
    void rolesAndData()
    {
        ThreatModel model;
        fill(model, {QStringLiteral("Trojan.A")});

        const QHash<int, QByteArray> roles = model.roleNames();
        QCOMPARE(roles.value(33), QByteArray("name"));
        QCOMPARE(roles.value(34), QByteArray("file"));

        const QModelIndex first = model.index(0);
        QCOMPARE(model.data(first, 33), QVariant(QStringLiteral("Trojan.A")));
        QCOMPARE(model.data(first, 34), QVariant(QStringLiteral("/win/Trojan.A.exe")));
        // Every other role, and a row outside the list, is an empty string.
        QCOMPARE(model.data(first, 0), QVariant(QString()));
        QCOMPARE(model.data(first, Qt::UserRole), QVariant(QString()));
        QCOMPARE(model.data(model.index(0).sibling(5, 0), 33), QVariant(QString()));
        QCOMPARE(model.data(QModelIndex(), 33), QVariant(QString()));
    }

    // What the disk and the service hand in is shown escaped; the item keeps
    // the real path for the removal.
    void shownTextIsEscaped_data()
    {
        QTest::addColumn<QString>("outside");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << QStringLiteral("/win/Ünïcode 名前.exe") << QStringLiteral("/win/Ünïcode 名前.exe");
        QTest::newRow("line break") << QStringLiteral("/win/a\nb.exe") << QStringLiteral("/win/a\\nb.exe");
        QTest::newRow("escape sequence") << QStringLiteral("/win/\x1b[2J.exe") << QStringLiteral("/win/\\x1b[2J.exe");
        QTest::newRow("C1 and DEL") << QStringLiteral("/win/a\u009b\u007f.exe") << QStringLiteral("/win/a\\u009b\\x7f.exe");
        QTest::newRow("right-to-left override")
            << QStringLiteral("/win/photo\u202Egpj.exe") << QStringLiteral("/win/photo\\u202egpj.exe");
        QTest::newRow("line separator") << QStringLiteral("/win/a\u2028b") << QStringLiteral("/win/a\\u2028b");
    }

    void shownTextIsEscaped()
    {
        QFETCH(QString, outside);
        QFETCH(QString, shown);
        ThreatModel model;
        model.appendThreat(new ThreatItem(outside, outside, &model));
        QCOMPARE(model.data(model.index(0), ThreatModel::NameRole).toString(), shown);
        QCOMPARE(model.data(model.index(0), ThreatModel::FileRole).toString(), shown);
        QCOMPARE(model.threatAt(0)->file(), outside);
    }

    void filePathIsAbsolute()
    {
        ThreatModel model;
        model.appendThreat(new ThreatItem(QStringLiteral("X"), QStringLiteral("rel/evil.exe"), &model));
        QCOMPARE(model.threatAt(0)->file(), QDir::current().absoluteFilePath(QStringLiteral("rel/evil.exe")));
        QCOMPARE(model.threatAt(0)->model(), &model);
    }

    void appendKeepsOrderAndCounts()
    {
        ThreatModel model;
        QSignalSpy count(&model, &ThreatModel::countChanged);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        fill(model, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});

        QCOMPARE(model.property("count").toInt(), 3);
        QCOMPARE(names(model), QStringList({"a", "b", "c"}));
        QCOMPARE(count.size(), 3);
        QCOMPARE(inserted.size(), 3);
        QCOMPARE(inserted.at(2).at(1).toInt(), 2);
        QCOMPARE(inserted.at(2).at(2).toInt(), 2);

        int viaInvoke = -1;
        QVERIFY(QMetaObject::invokeMethod(&model, "rowCount", Q_RETURN_ARG(int, viaInvoke)));
        QCOMPARE(viaInvoke, 3);
    }

    void trustMiddleRow()
    {
        ThreatModel model;
        fill(model, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        QSignalSpy count(&model, &ThreatModel::countChanged);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

        model.removeThreat(model.threatAt(1));
        QCOMPARE(names(model), QStringList({"a", "c"}));
        QCOMPARE(model.property("count").toInt(), 2);
        QCOMPARE(count.size(), 1);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 1);
    }

    void trustUnlistedItemOnlySignals()
    {
        ThreatModel model;
        fill(model, {QStringLiteral("a")});
        ThreatItem stranger(QStringLiteral("z"), QStringLiteral("/z"), &model);
        QSignalSpy count(&model, &ThreatModel::countChanged);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

        model.removeThreat(&stranger);
        ThreatModel empty;
        QSignalSpy emptyCount(&empty, &ThreatModel::countChanged);
        empty.removeThreat(&stranger);

        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(count.size(), 1);
        QCOMPARE(removed.size(), 0);
        QCOMPARE(emptyCount.size(), 1);
    }

    // The fix removes rows from the last to the first without countChanged(),
    // so a binding on count keeps the number from before, while a fresh read
    // gives the rows left.
    void removeAtFromTheEndIsSilent()
    {
        ThreatModel model;
        fill(model, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        QSignalSpy count(&model, &ThreatModel::countChanged);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

        model.removeAt(2);
        QCOMPARE(names(model), QStringList({"a", "b"}));
        QCOMPARE(model.property("count").toInt(), 2);
        model.removeAt(1);
        model.removeAt(0);
        model.removeAt(0);   // no such row: nothing happens
        model.removeAt(-1);

        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(removed.size(), 3);
        QCOMPARE(count.size(), 0);
    }

    void clear()
    {
        ThreatModel model;
        QSignalSpy count(&model, &ThreatModel::countChanged);
        QSignalSpy aboutToRemove(&model, &QAbstractItemModel::rowsAboutToBeRemoved);

        model.clear();
        QCOMPARE(count.size(), 1);
        QCOMPARE(aboutToRemove.size(), 0);

        fill(model, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        count.clear();
        model.clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(count.size(), 1);
        QCOMPARE(aboutToRemove.size(), 1);
        QCOMPARE(aboutToRemove.at(0).at(1).toInt(), 0);
        QCOMPARE(aboutToRemove.at(0).at(2).toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(ThreatModelTest)
#include "ThreatModelTest.moc"
