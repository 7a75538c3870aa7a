// The program's main window as a person uses it: the real window, pages and
// scan controller, started the way main starts them, against the reference
// lookup service and a fixture Windows installation, driven by mouse events
// on the items a person would click. Every view and window is saved as a
// screenshot and checked for texts that do not fit and items out of place.

#include "QRepairModel.h"
#include "RepairEngine.h"
#include "ScanEngine.h"
#include "ThreatItem.h"
#include "ThreatModel.h"
#include "app/qmlapplicationviewer.h"
#include "app/mainwindowstart.h"
#include "app/qnoframedialog.h"
#include "app/qthreatsdetails.h"
#include "CustomSelectorView.h"

#include "NimbixdProcess.h"
#include "ScanFixtures.h"
#include "rendercheck.h"
#include "support/modalwatch.h"
#include "support/questions.h"
#include "support/slowlink.h"
#include "support/testinstallation.h"

#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QFileInfo>
#include <QMetaMethod>
#include <QProcess>
#include <QQmlContext>
#include <QQuickItem>
#include <QScreen>
#include <QStyleHints>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

constexpr int kScanTimeoutMs = 60000;

// A delegate's item of a list on a page, found through the list.
QQuickItem *rowItem(QQuickWidget *view, const char *list, int row, const char *name)
{
    QQuickItem *listView = pageItem(view, list);
    QQuickItem *delegate = nullptr;
    QMetaObject::invokeMethod(listView, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, delegate), Q_ARG(int, row));
    return delegate ? delegate->findChild<QQuickItem *>(QString::fromLatin1(name)) : nullptr;
}

// Clicks come apart as a person's do: two quick clicks at one place would be
// a double click, which a link does not take as a second click.
void clickRowItem(QQuickWidget *view, const char *list, int row, const char *name)
{
    QQuickItem *target = rowItem(view, list, row, name);
    QVERIFY2(target, qPrintable(QStringLiteral("no %1 in row %2").arg(QLatin1String(name)).arg(row)));
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(view, Qt::LeftButton, {}, centre.toPoint(), QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
}

// The problems of a page, leaving out the file names, which are meant to be
// cut in their middle when they are long.
QStringList layoutProblems(QQuickWidget *view)
{
    QStringList problems = RenderCheck::problems(view->rootObject());
    problems.removeIf([](const QString &line) {
        return line.contains(QLatin1String("currentObject")) || line.contains(QLatin1String("threatFile"));
    });
    return problems;
}

// The lookup service behind a slow link, for the lookups made meanwhile: a
// scan then stays in progress for a person's clicks.
struct SlowNetwork
{
    explicit SlowNetwork(const NimbixdProcess &service)
        : link(service.port(), 20)
        , env(QString::fromStdString(link.address()))
    {
    }

    SlowLink link;
    ScopedNimbixServer env;
};

QStringList &capturedLog()
{
    static QStringList lines;
    return lines;
}

void captureLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedLog() << message;
}

// A fixture installation of its own for a registry test, with the rules
// given and, unless asked not to, the damage a screen locker leaves.
struct Damaged
{
    TestInstallation installation;

    explicit Damaged(const QByteArray &rules, bool damage = true)
    {
        if (damage)
            installation.plantRegistryDamage();
        installation.installRules(rules);
    }
};

// Catches what the share buttons hand to the web browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestInstallation> installation;
    NimbixdProcess service;
    std::unique_ptr<ScopedNimbixServer> serverEnv;
    std::unique_ptr<QmlApplicationViewer> viewer;
    UrlCatcher urls;

    ScanEngine *engine() const
    {
        return qobject_cast<ScanEngine *>(viewer->rootContext()->contextProperty(QStringLiteral("engine")).value<QObject *>());
    }

    QQuickItem *item(const char *name) const { return pageItem(viewer.get(), name); }

    QString scanState() const { return item("page_scan")->state(); }

    // A click on an item of one view: the result views share names.
    void clickIn(const char *view, const char *name)
    {
        QQuickItem *target = item(view)->findChild<QQuickItem *>(QString::fromLatin1(name));
        QVERIFY(target);
        QTest::mouseClick(viewer.get(), Qt::LeftButton, {},
                          target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint());
    }

    // Waits until the scan page has slid to a view and it stands still.
    bool showsView(const char *state, const char *view) const
    {
        return QTest::qWaitFor([&] {
            QQuickItem *shown = item(view);
            return scanState() == QLatin1String(state) && shown->x() == 0 && shown->opacity() == 1.0;
        }, kScanTimeoutMs);
    }

    void screenshot(const QString &name)
    {
        RenderCheck::saveScreenshot(freshFrame(viewer.get()), name);
        const QStringList problems = layoutProblems(viewer.get());
        QVERIFY2(problems.isEmpty(), qPrintable(name + QStringLiteral(":\n") + problems.join(QLatin1Char('\n'))));
    }

    static QModelIndex treeIndex(QTreeView *tree, const QStringList &names)
    {
        QModelIndex at;
        for (const QString &name : names) {
            const QModelIndexList found = tree->model()->match(tree->model()->index(0, 0, at), Qt::DisplayRole, name, 1,
                                                               Qt::MatchExactly);
            if (found.isEmpty())
                return {};
            at = found.first();
        }
        return at;
    }

    static void openInTree(QTreeView *tree, const QStringList &names)
    {
        const QModelIndex index = treeIndex(tree, names);
        QVERIFY2(index.isValid(), qPrintable(names.join(QLatin1Char('/'))));
        tree->scrollTo(index);
        // The arrow left of the folder's name.
        const QRect row = tree->visualRect(index);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(row.left() - tree->indentation() / 2, row.center().y()),
                          QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        QTRY_VERIFY(tree->isExpanded(index));
    }

    // A click on the item's check box, where the style draws it.
    static void checkInTree(QTreeView *tree, const QStringList &names)
    {
        const QModelIndex index = treeIndex(tree, names);
        QVERIFY2(index.isValid(), qPrintable(names.join(QLatin1Char('/'))));
        tree->scrollTo(index);
        QStyleOptionViewItem option;
        option.initFrom(tree);
        option.rect = tree->visualRect(index);
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box = tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, box.center(),
                          QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
        QTRY_COMPARE(index.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    }

    RepairEngine *repairEngine() const
    {
        return qobject_cast<RepairEngine *>(
            viewer->rootContext()->contextProperty(QStringLiteral("repair_engine")).value<QObject *>());
    }

    void showRepairPage()
    {
        clickItem(viewer.get(), "repairTask");
        QTRY_COMPARE(item("page_repair")->opacity(), 1.0);
        QTRY_COMPARE(item("repair_page_welcome")->opacity(), 1.0);
    }

    // Waits until the repair page shows its scanning page in a state, still.
    bool showsRepairState(const char *state) const
    {
        return QTest::qWaitFor([&] {
            QQuickItem *page = item("repair_page_scanning");
            return page->state() == QLatin1String(state) && page->x() == 0 && page->opacity() == 1.0;
        }, kScanTimeoutMs);
    }

    QString repairRowState(int row) const
    {
        QQuickItem *text = rowItem(viewer.get(), "repairListView", row, "itemText");
        return text ? text->parentItem()->state() : QString();
    }

    void setSysroot(const QString &sysroot) { qputenv("RESCUESCAN_SYSROOT", QFile::encodeName(sysroot)); }

    void runQuickScanTo(const char *state, const char *view)
    {
        clickItem(viewer.get(), "quickscanButton");
        QVERIFY(showsView(state, view));
    }

private slots:
    void initTestCase()
    {
        installation = std::make_unique<TestInstallation>(300);
        service.start(TestInstallation::signatures());
        serverEnv = std::make_unique<ScopedNimbixServer>(service.address());
        qputenv("RESCUESCAN_SITE", "https://share.test.example/");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &urls, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void init()
    {
        setSysroot(installation->sysroot());
        installation->plantThreats();
        viewer = std::make_unique<QmlApplicationViewer>();
        showMainWindow(*viewer);
        QVERIFY(QTest::qWaitForWindowExposed(viewer.get()));
        QCOMPARE(viewer->status(), QQuickWidget::Ready);
    }

    void cleanup()
    {
        viewer.reset();
    }

    void windowFacts()
    {
        QCOMPARE(viewer->size(), QSize(790, 514));
        QCOMPARE(viewer->windowFlags(), Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
                                            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        QVERIFY(viewer->testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(viewer->rootContext()->contextProperty(QStringLiteral("viewer")).value<QObject *>(), viewer.get());
        QVERIFY(engine());
        QCOMPARE(viewer->rootContext()->contextProperty(QStringLiteral("threatsModel")).value<QObject *>(),
                 engine()->threatModel());
        QCOMPARE(scanState(), QStringLiteral("show_welcome"));
        QCOMPARE(item("navigate")->state(), QStringLiteral("select1"));
        QVERIFY(showsView("show_welcome", "scan_page_welcome"));
        const QStringList texts = RenderCheck::visibleTexts(viewer->rootObject());
        for (const char *text : {"Scan", "Repair", "Flash Scan", "Scan Computer", "Scan Special location",
                                 "Cloud Engine Version: 1.0"})
            QVERIFY2(texts.contains(QLatin1String(text)), text);
        screenshot(QStringLiteral("welcome"));
    }

    void metaObjectAsThePagesKnowIt()
    {
        const QMetaObject &meta = QmlApplicationViewer::staticMetaObject;
        QStringList methods;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            methods << QString::fromLatin1(meta.method(i).methodSignature());
        QCOMPARE(methods, (QStringList{"onOnlineResult(QVariant)", "onMinimize()", "onClose()", "onShowDetails()",
                                       "onOnlineCheck(bool)", "onShowAbout()", "alert(QString,QString)",
                                       "customSelect()"}));
    }

    void centredOn1024x768()
    {
        if (QGuiApplication::primaryScreen()->geometry() != QRect(0, 0, 1024, 768))
            QSKIP("needs a 1024 x 768 screen, as the test run under Xvfb has");
        QCOMPARE(viewer->pos(), QPoint(117, 127));
    }

    void dragByHeaderOnly_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("moves");
        QTest::newRow("header, beside the logo") << QPoint(400, 40) << true;
        QTest::newRow("header, bottom edge") << QPoint(300, 75) << true;
        QTest::newRow("task column") << QPoint(100, 300) << false;
        QTest::newRow("welcome view") << QPoint(500, 420) << false;
    }

    void dragByHeaderOnly()
    {
        QFETCH(QPoint, press);
        QFETCH(bool, moves);
        const QPoint start = viewer->pos();
        QTest::mousePress(viewer.get(), Qt::LeftButton, {}, press);
        QTest::mouseMove(viewer.get(), press + QPoint(-50, 30));
        const QPoint afterMove = viewer->pos();
        QTest::mouseRelease(viewer.get(), Qt::LeftButton, {}, press + QPoint(-50, 30));
        QTest::mouseMove(viewer.get(), press);
        QCOMPARE(afterMove, moves ? start + QPoint(-50, 30) : start);
        // After the release the window stays where it was put.
        QCOMPARE(viewer->pos(), afterMove);
    }

    void shareButtons_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("act");
        QTest::newRow("facebook") << QByteArray("facebookButton") << "facebook";
        QTest::newRow("twitter") << QByteArray("twitterButton") << "twitter";
        QTest::newRow("google") << QByteArray("googleButton") << "google";
    }

    void shareButtons()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, act);
        urls.opened.clear();
        clickItem(viewer.get(), button.constData());
        QCOMPARE(urls.opened, QList<QUrl>{QUrl(QStringLiteral("https://share.test.example/api2/krd_share.php?act=") + act)});
    }

    void aboutWindow()
    {
        QSize size;
        QStringList texts;
        QStringList problems;
        qreal maskWhileOpen = 0;
        QPoint moved;
        QPoint start;
        QList<QUrl> shared;
        ModalWatch about(ModalWatch::ofType<QNoFrameDialog>(), [&](QWidget *window) {
            auto *view = window->findChild<QThreatsDetails *>();
            size = window->size();
            texts = RenderCheck::visibleTexts(view->rootObject());
            problems = RenderCheck::problems(view->rootObject());
            QTRY_COMPARE(item("mask")->opacity(), 0.5);
            maskWhileOpen = item("mask")->opacity();
            RenderCheck::saveScreenshot(freshFrame(view), QStringLiteral("about"));
            urls.opened.clear();
            clickItem(view, "twitterButton");
            shared = urls.opened;
            // No header: a drag anywhere moves the window.
            start = window->pos();
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(250, 150));
            QTest::mouseMove(view, QPoint(290, 170));
            moved = window->pos() - start;
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(290, 170));
            clickItem(view, "closeButton");
        });
        clickItem(viewer.get(), "helpButton");
        QVERIFY(about.seen());
        QCOMPARE(size, QSize(563, 305));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        for (const char *text : {"About Quillmark Rescue Disk", "Quillmark Rescue Disk v1.0", "If you like our software",
                                 "Tell your friends about it,so they could get it"})
            QVERIFY2(texts.contains(QLatin1String(text)), text);
        QCOMPARE(maskWhileOpen, 0.5);
        QCOMPARE(shared, QList<QUrl>{QUrl(QStringLiteral("https://share.test.example/api2/krd_share.php?act=twitter"))});
        QCOMPARE(moved, QPoint(40, 20));
        // Only the about window closed, and the frame is no longer dimmed.
        QVERIFY(viewer->isVisible());
        QTRY_COMPARE(item("mask")->opacity(), 0.0);
    }

    // The Repair task shows the repair page and hides the scan page, which
    // keeps its view.
    void navigationKeepsTheScanView()
    {
        runQuickScanTo("show_threats", "scan_page_threats");
        clickItem(viewer.get(), "repairTask");
        QCOMPARE(item("navigate")->state(), QStringLiteral("select2"));
        QTRY_COMPARE(item("scanPageHolder")->opacity(), 0.0);
        QTRY_COMPARE(item("page_repair")->opacity(), 1.0);
        QTRY_COMPARE(item("selection")->y(), 50.0);
        QCOMPARE(item("repairPages")->state(), QStringLiteral("welcome"));
        clickItem(viewer.get(), "scanTask");
        QTRY_COMPARE(item("scanPageHolder")->opacity(), 1.0);
        QTRY_COMPARE(item("page_repair")->opacity(), 0.0);
        QCOMPARE(scanState(), QStringLiteral("show_threats"));
    }

    // Flash Scan; pause once the threats are in; the details window lists
    // them and trusts one; resume; the list; Fix Now; Repair Complete; back.
    // On disk exactly the untrusted threat files are gone.
    void scanTrustAndFix()
    {
        SlowNetwork slow(service);
        const QStringList threats = installation->threatFiles();

        clickItem(viewer.get(), "quickscanButton");
        // Hidden until the first threat is in.
        QVERIFY(!item("detailsButton")->isVisible());
        QVERIFY(showsView("show_scanning", "scan_page_scanning"));
        QCOMPARE(item("scanTitle")->property("text").toString(), QStringLiteral("Quick Scan"));
        QVERIFY(item("pauseButton")->isVisible());
        QVERIFY(!item("resumeButton")->isVisible());
        // Paused a while after the last threat, so the bar shows some progress.
        QVERIFY(QTest::qWaitFor([&] { return engine()->threatsCount() == 3 && engine()->scannedCount() >= 100; },
                                kScanTimeoutMs));
        clickItem(viewer.get(), "pauseButton");
        QVERIFY(engine()->paused());
        QVERIFY(engine()->isRunning());
        QTRY_VERIFY(item("resumeButton")->isVisible());
        QVERIFY(!item("pauseButton")->isVisible());
        QVERIFY(item("detailsButton")->isVisible());
        QVERIFY(!item("scanAnimation")->property("run").toBool());
        QCOMPARE(item("threatsCount")->property("text").toString(), QStringLiteral("3"));
        QVERIFY(engine()->scannedCount() > 0);
        QCOMPARE(item("progressBar")->property("value").toInt(),
                 int(std::ceil(engine()->scannedCount() * 100.0 / engine()->totalCount())));
        screenshot(QStringLiteral("scanning"));

        QStringList detailRows;
        QStringList detailProblems;
        QString countAfterTrust;
        QPoint headerDrag;
        QPoint listDrag;
        ModalWatch details(ModalWatch::ofType<QNoFrameDialog>(), [&](QWidget *window) {
            auto *view = window->findChild<QThreatsDetails *>();
            QCOMPARE(window->size(), QSize(640, 410));
            QTRY_COMPARE(item("mask")->opacity(), 0.5);
            for (int row = 0; row < 3; ++row)
                detailRows << rowItem(view, "threatListView", row, "threatFile")->property("text").toString();
            detailProblems = layoutProblems(view);
            RenderCheck::saveScreenshot(freshFrame(view), QStringLiteral("details"));
            // Dragged by its header only.
            QPoint start = window->pos();
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(300, 200));
            QTest::mouseMove(view, QPoint(320, 210));
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(320, 210));
            listDrag = window->pos() - start;
            start = window->pos();
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(300, 20));
            QTest::mouseMove(view, QPoint(320, 30));
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(320, 30));
            headerDrag = window->pos() - start;
            clickRowItem(view, "threatListView", 1, "trustLink");
            QTRY_COMPARE(engine()->threatModel()->rowCount(), 2);
            countAfterTrust = item("threatsCount")->property("text").toString();
            clickItem(view, "closeButton");
        });
        clickItem(viewer.get(), "detailsButton");
        QVERIFY(details.seen());
        // The lookups run together, so threats are listed as their answers
        // come: the same files, in any order.
        QStringList listed = detailRows;
        listed.sort();
        QStringList planted = threats;
        planted.sort();
        QCOMPARE(listed, planted);
        QVERIFY2(detailProblems.isEmpty(), qPrintable(detailProblems.join(QLatin1Char('\n'))));
        QCOMPARE(listDrag, QPoint(0, 0));
        QCOMPARE(headerDrag, QPoint(20, 10));
        QCOMPARE(countAfterTrust, QStringLiteral("2"));
        QVERIFY(viewer->isVisible());
        QTRY_COMPARE(item("mask")->opacity(), 0.0);
        QVERIFY(engine()->paused());

        clickItem(viewer.get(), "resumeButton");
        QVERIFY(!engine()->paused());
        QVERIFY(showsView("show_threats", "scan_page_threats"));
        QCOMPARE(engine()->scannedCount(), engine()->totalCount());
        QCOMPARE(rowItem(viewer.get(), "threatListView", 0, "threatFile")->property("text").toString(), detailRows[0]);
        QCOMPARE(rowItem(viewer.get(), "threatListView", 1, "threatFile")->property("text").toString(), detailRows[2]);
        // Each row shows its own file's threat (the installation's threats in
        // the order of the walk).
        const QStringList names{QStringLiteral("Worm.Agent"), QStringLiteral("Trojan.Locker"),
                                QStringLiteral("Ransom.Winlock")};
        QCOMPARE(rowItem(viewer.get(), "threatListView", 0, "threatName")->property("text").toString(),
                 names.value(threats.indexOf(detailRows[0])));
        QVERIFY(item("threatsFoundText")->property("text").toString().startsWith(QLatin1String("<font color=red>2</font>")));
        QVERIFY(!item("notCheckedNote")->isVisible());
        screenshot(QStringLiteral("threats"));

        clickItem(viewer.get(), "fixButton");
        QVERIFY(showsView("show_repair_complete", "scan_page_repair_complete"));
        QCOMPARE(pageItem(viewer.get(), "scan_page_repair_complete")->findChild<QQuickItem *>(QStringLiteral("headline"))
                     ->property("text").toString(),
                 QStringLiteral("Repair Complete!"));
        screenshot(QStringLiteral("repair-complete"));
        QVERIFY(!QFileInfo::exists(detailRows[0]));
        QVERIFY(QFileInfo::exists(detailRows[1]));
        QVERIFY(!QFileInfo::exists(detailRows[2]));

        clickIn("scan_page_repair_complete", "okButton");
        QVERIFY(showsView("show_welcome", "scan_page_welcome"));
    }

    // Stop answered no keeps the view and its buttons; yes ends the scan and
    // the page moves on to the result of what was scanned.
    void stopTheScan()
    {
        SlowNetwork slow(service);
        clickItem(viewer.get(), "quickscanButton");
        QVERIFY(showsView("show_scanning", "scan_page_scanning"));
        QVERIFY(answering(false, [&] { clickItem(viewer.get(), "stopButton"); }));
        QCOMPARE(scanState(), QStringLiteral("show_scanning"));
        QVERIFY(item("pauseButton")->isVisible());
        QVERIFY(!item("resumeButton")->isVisible());
        QVERIFY(engine()->isRunning());
        QVERIFY(!engine()->paused());

        QVERIFY(answering(true, [&] { clickItem(viewer.get(), "stopButton"); }));
        QVERIFY(!engine()->isRunning());
        QVERIFY(item("pauseButton")->isVisible());
        const char *result = engine()->threatsCount() > 0 ? "show_threats" : "show_nothreat";
        QVERIFY(showsView(result, engine()->threatsCount() > 0 ? "scan_page_threats" : "scan_page_nothreat"));
    }

    // Back answered no keeps the list; yes leaves the threats as they are.
    // A file that could not be checked is counted under the list.
    void backFromTheList()
    {
        const QString pagefile = installation->drive() + QStringLiteral("/pagefile.sys");
        ScanFixtures::writeSparseFile(pagefile, 10485760 + 1);
        runQuickScanTo("show_threats", "scan_page_threats");
        QFile::remove(pagefile);
        QVERIFY(item("notCheckedNote")->isVisible());
        QCOMPARE(item("notCheckedNote")->property("text").toString(), QStringLiteral("1 more file could not be checked."));
        screenshot(QStringLiteral("threats-not-checked"));
        QString asked;
        QVERIFY(answering(false, [&] { clickItem(viewer.get(), "backLink"); }, &asked));
        QCOMPARE(asked, QStringLiteral("Are you sure to abort without fixing?"));
        QCOMPARE(scanState(), QStringLiteral("show_threats"));
        QVERIFY(answering(true, [&] { clickItem(viewer.get(), "backLink"); }));
        QVERIFY(showsView("show_welcome", "scan_page_welcome"));
        for (const QString &file : installation->threatFiles())
            QVERIFY(QFileInfo::exists(file));
    }

    // Trusting every threat leaves an empty list; Fix Now removes nothing.
    void trustEverythingThenFix()
    {
        runQuickScanTo("show_threats", "scan_page_threats");
        for (int left = 3; left > 0; --left) {
            QQuickItem *first = rowItem(viewer.get(), "threatListView", 0, "trustLink");
            clickRowItem(viewer.get(), "threatListView", 0, "trustLink");
            QTRY_COMPARE(engine()->threatModel()->rowCount(), left - 1);
            // The list lets the row's item go on its next turn.
            QTRY_VERIFY(rowItem(viewer.get(), "threatListView", 0, "trustLink") != first);
        }
        clickItem(viewer.get(), "fixButton");
        QVERIFY(showsView("show_repair_complete", "scan_page_repair_complete"));
        for (const QString &file : installation->threatFiles())
            QVERIFY(QFileInfo::exists(file));

        // The next list has its fix and back controls again.
        clickIn("scan_page_repair_complete", "okButton");
        QVERIFY(showsView("show_welcome", "scan_page_welcome"));
        runQuickScanTo("show_threats", "scan_page_threats");
        QVERIFY(item("fixButton")->isVisible());
        QVERIFY(item("backLink")->isVisible());
    }

    // A threat file that cannot be deleted is not passed over: the result
    // says so, and how many stay on the disk.
    void fixThatLeavesAFile()
    {
        const QString kept = installation->threatFiles().at(1);
        if (!ScanFixtures::runningAsRoot()
            || QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), kept}) != 0)
            QSKIP("cannot make a file undeletable here (chattr +i needs root and an ext file system)");
        runQuickScanTo("show_threats", "scan_page_threats");
        clickItem(viewer.get(), "fixButton");
        const bool shown = showsView("show_repair_complete", "scan_page_repair_complete");
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), kept});
        QVERIFY(shown);
        QQuickItem *view = item("scan_page_repair_complete");
        QCOMPARE(view->findChild<QQuickItem *>(QStringLiteral("headline"))->property("text").toString(),
                 QStringLiteral("Not every threat was removed"));
        QCOMPARE(view->findChild<QQuickItem *>(QStringLiteral("note"))->property("text").toString(),
                 QStringLiteral("1 threat file could not be deleted and is still on the disk."));
        screenshot(QStringLiteral("repair-incomplete"));
        QVERIFY(QFileInfo::exists(kept));
    }

    // Repair, Scan, the rows as they come, Back answered no, Repair,
    // "Successfully Repaired.", OK; then Restore puts the hives back as they
    // were before the first scan.
    void registryRepairAndRestore()
    {
        Damaged damaged(TestInstallation::defaultRules());
        setSysroot(damaged.installation.sysroot());
        const QString software = damaged.installation.hive(QStringLiteral("SOFTWARE"));
        const QString alice = damaged.installation.userHive(QStringLiteral("Alice"));
        const QByteArray softwareBefore = fileBytes(software);
        const QByteArray aliceBefore = fileBytes(alice);

        showRepairPage();
        screenshot(QStringLiteral("repair-welcome"));
        clickIn("page_repair", "repairScanButton");
        QVERIFY(showsRepairState("scanning"));
        QVERIFY(QTest::qWaitFor([&] { return repairEngine()->model()->rowCount() >= 4; }, kScanTimeoutMs));
        screenshot(QStringLiteral("repair-scanning"));
        QVERIFY(showsRepairState("problem"));
        const int problems = repairEngine()->getProblemCount();
        QVERIFY(problems >= 3);
        QCOMPARE(repairRowState(0), QStringLiteral("foundproblem"));
        QCOMPARE(repairRowState(repairEngine()->model()->rowCount() - 1), QStringLiteral("noproblem"));
        screenshot(QStringLiteral("repair-problems"));

        QString asked;
        QVERIFY(answering(false, [&] { clickIn("page_repair", "repairBackLink"); }, &asked));
        QCOMPARE(asked, QStringLiteral("Are you sure to abort?"));
        QCOMPARE(item("repair_page_scanning")->state(), QStringLiteral("problem"));

        clickIn("page_repair", "repairButton");
        QCOMPARE(item("repair_page_scanning")->state(), QStringLiteral("repairing"));
        QVERIFY(showsRepairState("repair_complete"));
        QCOMPARE(repairEngine()->getProblemCount(), 0);
        for (int row = 0; row < problems; ++row)
            QCOMPARE(repairRowState(row), QStringLiteral("fixed"));
        screenshot(QStringLiteral("repair-repaired"));
        QVERIFY(fileBytes(software) != softwareBefore);
        QVERIFY(fileBytes(alice) != aliceBefore);

        clickIn("page_repair", "completeOkButton");
        QTRY_COMPARE(item("repair_page_welcome")->opacity(), 1.0);
        QString told;
        ModalWatch box(ModalWatch::ofType<QMessageBox>(), [&](QWidget *widget) {
            auto *messageBox = qobject_cast<QMessageBox *>(widget);
            told = messageBox->text();
            RenderCheck::saveScreenshot(messageBox->grab().toImage(), QStringLiteral("repair-restored-message"));
            messageBox->accept();
        });
        clickIn("page_repair", "restoreLink");
        QVERIFY(box.seen());
        QCOMPARE(told, QStringLiteral("Restore successfully!"));
        QCOMPARE(fileBytes(software), softwareBefore);
        QCOMPARE(fileBytes(alice), aliceBefore);
    }

    // Nothing to repair: "No Problems Found", every row "NoProblem".
    void registryWithoutProblems()
    {
        Damaged clean(TestInstallation::defaultRules(), false);
        clean.installation.installRules(R"json({
  "Windows shell and logon program replaced (Winlogon)": [
    { "key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
      "value": { "Shell": { "type": "REG_SZ", "value": "explorer.exe" } } }
  ],
  "System tools blocked by a debugger (Image File Execution Options)": [
    { "key": "-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\taskmgr.exe",
      "value": {} }
  ]
})json");
        setSysroot(clean.installation.sysroot());
        showRepairPage();
        clickIn("page_repair", "repairScanButton");
        QVERIFY(showsRepairState("noproblem"));
        QCOMPARE(repairEngine()->model()->rowCount(), 2);
        for (int row = 0; row < 2; ++row)
            QCOMPARE(repairRowState(row), QStringLiteral("noproblem"));
        screenshot(QStringLiteral("repair-no-problems"));
        clickIn("page_repair", "noproblemOkButton");
        QTRY_COMPARE(item("repairPages")->state(), QStringLiteral("welcome"));
    }

    // A hive that cannot be written: the page says what did not land, and
    // the rows keep their problem.
    void registryThatCannotBeWritten()
    {
        Damaged damaged(TestInstallation::defaultRules());
        setSysroot(damaged.installation.sysroot());
        const QString software = damaged.installation.hive(QStringLiteral("SOFTWARE"));
        showRepairPage();
        clickIn("page_repair", "repairScanButton");
        QVERIFY(showsRepairState("problem"));
        if (!ScanFixtures::runningAsRoot()
            || QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), software}) != 0)
            QSKIP("cannot make the hive unwritable here (chattr +i needs root and an ext file system)");
        clickIn("page_repair", "repairButton");
        const bool shown = showsRepairState("repair_failed");
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), software});
        QVERIFY(shown);
        QVERIFY(repairEngine()->getProblemCount() > 0);
        // The sections in the unwritable hive stay problems; a user's hive
        // beside it may well have been repaired.
        const QRepairModel *model = repairEngine()->model();
        int inSoftware = 0;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QString description = model->data(model->index(row), QRepairModel::DescriptionRole).toString();
            if (description.contains(QLatin1String("(Winlogon)"))
                || description.contains(QLatin1String("(Image File Execution Options)"))) {
                QCOMPARE(repairRowState(row), QStringLiteral("foundproblem"));
                ++inSoftware;
            }
        }
        QCOMPARE(inSoftware, 2);
        QVERIFY(!repairEngine()->failure().isEmpty());
        screenshot(QStringLiteral("repair-not-repaired"));
        clickIn("page_repair", "repairFailedOkButton");
        QTRY_COMPARE(item("repairPages")->state(), QStringLiteral("welcome"));
    }

    // No Windows drive: "Scan Failed." and the welcome page stays.
    void registryScanThatCannotStart()
    {
        QTemporaryDir empty;
        QVERIFY(QDir().mkpath(empty.filePath(QStringLiteral("windows"))));
        setSysroot(empty.path());
        showRepairPage();
        QString told;
        ModalWatch box(ModalWatch::ofType<QMessageBox>(), [&](QWidget *widget) {
            auto *messageBox = qobject_cast<QMessageBox *>(widget);
            told = messageBox->text();
            RenderCheck::saveScreenshot(messageBox->grab().toImage(), QStringLiteral("repair-scan-failed-message"));
            messageBox->accept();
        });
        clickIn("page_repair", "repairScanButton");
        QVERIFY(box.seen());
        QCOMPARE(told, QStringLiteral("Scan Failed."));
        QCOMPARE(item("repairPages")->state(), QStringLiteral("welcome"));
    }

    // A hive that cannot be read: never "No Problems Found". The page shows
    // either the scan that could not finish or the sections as problems, as
    // the hive engine reports it.
    void registryThatCannotBeRead()
    {
        Damaged damaged(TestInstallation::defaultRules(), false);
        ScanFixtures::writeFile(damaged.installation.hive(QStringLiteral("SYSTEM")), QByteArray(8192, 'x'));
        setSysroot(damaged.installation.sysroot());
        showRepairPage();
        clickIn("page_repair", "repairScanButton");
        QVERIFY(QTest::qWaitFor([&] {
            const QString state = item("repair_page_scanning")->state();
            return state != QLatin1String("scanning") && item("repairPages")->state() == QLatin1String("scanning")
                && !repairEngine()->isRunning();
        }, kScanTimeoutMs));
        QVERIFY(showsRepairState(item("repair_page_scanning")->state().toLatin1().constData()));
        screenshot(QStringLiteral("repair-scan-incomplete"));
        QVERIFY(item("repair_page_scanning")->state() != QLatin1String("noproblem"));
        if (!repairEngine()->failure().isEmpty())
            return;
        const QModelIndexList safeMode = repairEngine()->model()->match(
            repairEngine()->model()->index(0), QRepairModel::DescriptionRole, QStringLiteral("Safe Mode boot keys"));
        QCOMPARE(safeMode.size(), 1);
        QVERIFY(repairEngine()->model()->data(safeMode.first(), QRepairModel::StatusRole).toInt() != NoProblem);
    }

    // What the page shows when the worker reports a scan it could not
    // finish: the reason, and no list taken for a clean one.
    void registryScanReportedFailed()
    {
        showRepairPage();
        RepairEngine *repair = repairEngine();
        repair->onRepairItemInfo(NoProblem, 0, QStringLiteral("Windows shell and logon program replaced (Winlogon)"));
        repair->onWorkFailed(-1, QStringLiteral("cannot open hive \"/windows/C/Windows/System32/config/SYSTEM\": "
                                                "not a registry hive"));
        item("repairPages")->setState(QStringLiteral("scanning"));
        repair->onScanFinished();
        QVERIFY(showsRepairState("failed"));
        QVERIFY(pageItem(viewer.get(), "failedHeader")->isVisible());
        screenshot(QStringLiteral("repair-scan-failed"));
        clickIn("page_repair", "failedOkButton");
        QTRY_COMPARE(item("repairPages")->state(), QStringLiteral("welcome"));
    }

    // Every look of a row, on the page that shows them all while a repair
    // runs.
    void repairRowStates()
    {
        showRepairPage();
        RepairEngine *repair = repairEngine();
        const char *names[] = {"Registry file association (.reg)", "Safe Mode boot keys",
                               "Logon screen tools replaced (Sticky Keys and Ease of Access backdoor)",
                               "Windows shell replaced for a user"};
        for (int status = 0; status < 4; ++status)
            repair->onRepairItemInfo(status == 0 ? NoProblem : FoundProblem, status, QLatin1String(names[status]));
        QRepairModel *model = repair->model();
        model->setData(model->index(0), Fixed, QRepairModel::StatusRole);
        model->setData(model->index(1), Repairing, QRepairModel::StatusRole);
        item("repairPages")->setState(QStringLiteral("scanning"));
        QMetaObject::invokeMethod(item("repair_page_scanning"), "show", Q_ARG(QVariant, QStringLiteral("repairing")));
        QVERIFY(showsRepairState("repairing"));
        QStringList states;
        for (int row = 0; row < 4; ++row)
            states << repairRowState(row) + QLatin1Char(' ') + rowItem(viewer.get(), "repairListView", row, "stateText")
                                                                    ->property("text").toString();
        QCOMPARE(states, (QStringList{"fixed Fixed", "repairing Repairing", "foundproblem FoundProblem",
                                      "noproblem NoProblem"}));
        QVERIFY(rowItem(viewer.get(), "repairListView", 1, "repairingSpinner")->isVisible());
        QVERIFY(!rowItem(viewer.get(), "repairListView", 0, "repairingSpinner")->isVisible());
        screenshot(QStringLiteral("repair-row-states"));
    }

    // Scan Special location: the folder tree over the mounted drives; the
    // folders checked in it are what the custom scan scans.
    void customScanOfChosenFolders()
    {
        QStringList lines;
        QImage shot;
        QStringList problems;
        ModalWatch selector(ModalWatch::ofType<QNoFrameDialog>(), [&](QWidget *window) {
            auto *view = window->findChild<CustomSelectorView *>();
            auto *tree = view->findChild<QTreeView *>();
            QCOMPARE(window->size(), QSize(423, 410));
            QCOMPARE(tree->geometry(), QRect(1, 48, 421, 307));
            QVERIFY(tree->isHeaderHidden());
            // Open the drive and Users as a person does, by their arrows.
            openInTree(tree, {QStringLiteral("sda1")});
            openInTree(tree, {QStringLiteral("sda1"), QStringLiteral("Users")});
            checkInTree(tree, {QStringLiteral("sda1"), QStringLiteral("ProgramData")});
            checkInTree(tree, {QStringLiteral("sda1"), QStringLiteral("Users"), QStringLiteral("Alice")});
            QCOMPARE(treeIndex(tree, {QStringLiteral("sda1"), QStringLiteral("Users")}).data(Qt::CheckStateRole).toInt(),
                     int(Qt::PartiallyChecked));
            shot = view->grab().toImage();
            problems = RenderCheck::problems(view->rootObject());
            clickItem(view, "scanButton");
        });
        QtMessageHandler previous = qInstallMessageHandler(captureLog);
        capturedLog().clear();
        clickItem(viewer.get(), "customscanButton");
        qInstallMessageHandler(previous);
        QVERIFY(selector.seen());
        RenderCheck::saveScreenshot(shot, QStringLiteral("selector"));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        const QString drive = installation->drive();
        QVERIFY(capturedLog().contains(QStringLiteral("\"%1/ProgramData\" true").arg(drive)));
        QVERIFY(capturedLog().contains(QStringLiteral("\"%1/Users/Alice\" true").arg(drive)));
        QVERIFY(capturedLog().contains(QStringLiteral("custom Scan")));
        QCOMPARE(item("scanTitle")->property("text").toString(), QStringLiteral("Custom Scan"));
        QVERIFY(showsView("show_threats", "scan_page_threats"));
        QStringList files;
        for (int row = 0; row < engine()->threatModel()->rowCount(); ++row)
            files << engine()->threatModel()->threatAt(row)->file();
        // Listed as the answers came.
        files.sort();
        QCOMPARE(files, (QStringList{drive + QStringLiteral("/ProgramData/Update/taskhost32.exe"),
                                     drive + QStringLiteral("/Users/Alice/AppData/Local/Temp/svch0st.exe"),
                                     drive + QStringLiteral("/Users/Alice/AppData/Roaming/winlock.exe")}));
    }

    void customScanCancelledOrEmpty_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("close button") << "close";
        QTest::newRow("Scan with nothing checked") << "nothing";
    }

    // Nothing starts, and the welcome view stays.
    void customScanCancelledOrEmpty()
    {
        QFETCH(QString, how);
        ModalWatch selector(ModalWatch::ofType<QNoFrameDialog>(), [&](QWidget *window) {
            auto *view = window->findChild<CustomSelectorView *>();
            clickItem(view, how == QLatin1String("cancel") ? "cancelButton"
                            : how == QLatin1String("close") ? "closeButton" : "scanButton");
        });
        QString told;
        ModalWatch box(ModalWatch::ofType<QMessageBox>(), [&](QWidget *widget) {
            told = qobject_cast<QMessageBox *>(widget)->text();
            qobject_cast<QMessageBox *>(widget)->accept();
        });
        clickItem(viewer.get(), "customscanButton");
        QVERIFY(selector.seen());
        QVERIFY(!engine()->isRunning());
        QCOMPARE(scanState(), QStringLiteral("show_welcome"));
        QCOMPARE(told.isEmpty(), how != QLatin1String("nothing"));
    }

    void noThreatView_data()
    {
        QTest::addColumn<bool>("tooLarge");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("shot");
        QTest::newRow("everything checked") << false << QString() << "no-threat";
        QTest::newRow("a file not checked") << true << "1 file could not be checked." << "no-threat-not-checked";
    }

    // A scan that found nothing; when a file could not be checked the view
    // says so, next to the headline.
    void noThreatView()
    {
        QFETCH(bool, tooLarge);
        QFETCH(QString, note);
        QFETCH(QString, shot);
        QTemporaryDir clean;
        ScanFixtures::writeFile(clean.filePath(QStringLiteral("windows/C/readme.txt")), "clean");
        if (tooLarge)
            ScanFixtures::writeSparseFile(clean.filePath(QStringLiteral("windows/C/pagefile.sys")), 10485760 + 1);
        setSysroot(clean.path());
        runQuickScanTo("show_nothreat", "scan_page_nothreat");
        QQuickItem *view = item("scan_page_nothreat");
        QCOMPARE(view->findChild<QQuickItem *>(QStringLiteral("headline"))->property("text").toString(),
                 QStringLiteral("Scan complete, no threats found"));
        QQuickItem *noteText = view->findChild<QQuickItem *>(QStringLiteral("note"));
        QCOMPARE(noteText->property("text").toString(), note);
        QCOMPARE(noteText->isVisible(), !note.isEmpty());
        QCOMPARE(view->findChild<QQuickItem *>(QStringLiteral("smileFace"))->isVisible(), note.isEmpty());
        screenshot(shot);
        clickIn("scan_page_nothreat", "okButton");
        QVERIFY(showsView("show_welcome", "scan_page_welcome"));
    }

    void progress_data()
    {
        QTest::addColumn<int>("scanned");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("value");
        QTest::newRow("nothing found") << 0 << 0 << 0;
        QTest::newRow("2 of 3") << 2 << 3 << 67;
        QTest::newRow("all") << 5 << 5 << 100;
    }

    void progress()
    {
        QFETCH(int, scanned);
        QFETCH(int, total);
        QFETCH(int, value);
        engine()->onScanProgress(QStringLiteral("/windows/C/x"), scanned, total);
        QCOMPARE(item("progressBar")->property("value").toInt(), value);
        QVariant computed;
        QMetaObject::invokeMethod(item("scan_page_scanning"), "getProgress", Q_RETURN_ARG(QVariant, computed));
        QCOMPARE(computed.toInt(), value);
    }

    // A file name made to deceive is shown with its control characters
    // escaped, on the scanning view as in the list.
    void outsideTextIsEscaped()
    {
        engine()->onScanProgress(QStringLiteral("/windows/C/a\nb\u202Etxt.exe"), 1, 2);
        QCOMPARE(item("currentObject")->property("text").toString(), QStringLiteral("/windows/C/a\\nb\\u202etxt.exe"));
    }

    // Closing while a scan runs pauses it and asks; no goes on with the scan
    // and its clock.
    void closeDuringScanAnsweredNo()
    {
        SlowNetwork slow(service);
        clickItem(viewer.get(), "quickscanButton");
        QVERIFY(showsView("show_scanning", "scan_page_scanning"));
        QString asked;
        bool pausedWhileAsking = false;
        bool clockWhileAsking = true;
        QVERIFY(answering(false, [&] { clickItem(viewer.get(), "closeButton"); }, &asked, [&](const OpenQuestion &q) {
            pausedWhileAsking = engine()->paused();
            clockWhileAsking = engine()->findChild<QTimer *>(QStringLiteral("elapsedTimer"))->isActive();
            RenderCheck::saveScreenshot(freshFrame(q.viewer), QStringLiteral("exit-question"));
        }));
        QCOMPARE(asked, QStringLiteral("Are you sure to exit?"));
        QVERIFY(pausedWhileAsking);
        QVERIFY(!clockWhileAsking);
        QVERIFY(viewer->isVisible());
        QVERIFY(engine()->isRunning());
        QVERIFY(!engine()->paused());
        QVERIFY(engine()->findChild<QTimer *>(QStringLiteral("elapsedTimer"))->isActive());
        QVERIFY(answering(true, [&] { clickItem(viewer.get(), "stopButton"); }));
    }

    // The registry scan is held like the malware scan while the question
    // is open, and goes on after "no".
    void closeDuringRegistryScanAnsweredNo()
    {
        Damaged damaged(TestInstallation::defaultRules());
        setSysroot(damaged.installation.sysroot());
        showRepairPage();
        clickIn("page_repair", "repairScanButton");
        QVERIFY(showsRepairState("scanning"));
        QVERIFY(QTest::qWaitFor([&] { return repairEngine()->scannedCount() >= 1; }, kScanTimeoutMs));
        int heldAt = -1;
        int afterWhile = -1;
        QVERIFY(answering(false, [&] { clickItem(viewer.get(), "closeButton"); }, nullptr, [&](const OpenQuestion &) {
            heldAt = repairEngine()->scannedCount();
            // Three items' time; a worker not held would be through them.
            QTest::qWait(900);
            afterWhile = repairEngine()->scannedCount();
        }));
        QVERIFY2(afterWhile <= heldAt + 1, qPrintable(QStringLiteral("%1 -> %2").arg(heldAt).arg(afterWhile)));
        QVERIFY(viewer->isVisible());
        QVERIFY(showsRepairState("problem"));
        QCOMPARE(repairEngine()->scannedCount(), repairEngine()->totalCount());
    }

    // The last two: closing ends the lookup library for good. Yes to the
    // exit question; the installer offer that follows is answered no.
    void closeDuringScanAnsweredYes()
    {
        SlowNetwork slow(service);
        clickItem(viewer.get(), "quickscanButton");
        QVERIFY(showsView("show_scanning", "scan_page_scanning"));
        QStringList asked;
        ModalWatch offer(ModalWatch::ofType<AlertFrame>(), [&](QWidget *window) {
            auto *viewerOfQuestion = window->findChild<AlertViewer *>();
            asked << pageItem(viewerOfQuestion, "contentText")->property("text").toString();
            clickItem(viewerOfQuestion, asked.size() == 1 ? "yesButton" : "noButton");
        }, true);
        clickItem(viewer.get(), "closeButton");
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked.first(), QStringLiteral("Are you sure to exit?"));
        QVERIFY(asked.last().contains(QLatin1String("Wardline")));
        QVERIFY(!viewer->isVisible());
        QVERIFY(!engine()->isRunning());
    }

    // Idle: no exit question, only the installer offer.
    void closeWhenIdleOnlyOffers()
    {
        QString asked;
        QVERIFY(answering(false, [&] { clickItem(viewer.get(), "closeButton"); }, &asked));
        QVERIFY(asked.contains(QLatin1String("Wardline")));
        QVERIFY(!viewer->isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
