#include "popupwatch.h"
#include "rendercheck.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWidget>
#include <QScreen>
#include <QStyleFactory>
#include <QTest>

#include <memory>

// The module's widgets as a person meets them: the gallery of every widget
// in its states, under the Fusion style, with the mouse over a button and a
// line edit holding the focus; a button's menu opened with the mouse; the
// line edit's menu on the right button.
class TestNativeGallery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void gallery();
    void buttonMenuOpensBelowTheButton();
    void lineEditMenu_data();
    void lineEditMenu();
    void lineEditMenuEdits();

private:
    QQuickItem *item(const char *name) const;
    QPoint centreOf(QQuickItem *target) const;
    void moveTo(QQuickItem *target);
    void rightClick(QQuickItem *target);

    std::unique_ptr<QQuickWidget> m_view;
};

namespace {

QString entriesOf(const QMenu *menu)
{
    QStringList entries;
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            entries << QStringLiteral("-");
        else
            entries << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
    }
    return entries.join(QLatin1String(" | "));
}

} // namespace

void TestNativeGallery::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

void TestNativeGallery::init()
{
    QCursor::setPos(1000, 750);
    m_view = std::make_unique<QQuickWidget>();
    m_view->engine()->addImportPath(QStringLiteral(NATIVEQUICKWIDGETS_IMPORT_DIR));
    m_view->setSource(QUrl::fromLocalFile(QStringLiteral(NATIVE_TEST_SOURCE_DIR "/gallery/NativeGallery.qml")));
    QVERIFY2(m_view->status() == QQuickWidget::Ready,
             qPrintable(m_view->errors().isEmpty() ? QString() : m_view->errors().first().toString()));
    m_view->move(30, 30);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
}

void TestNativeGallery::cleanup()
{
    m_view.reset();
}

QQuickItem *TestNativeGallery::item(const char *name) const
{
    return m_view->rootObject()->findChild<QQuickItem *>(QString::fromLatin1(name));
}

QPoint TestNativeGallery::centreOf(QQuickItem *target) const
{
    return target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint();
}

// Moves the real pointer, as a hand on the mouse does.
void TestNativeGallery::moveTo(QQuickItem *target)
{
    QTest::mouseMove(m_view.get(), centreOf(target));
    QTRY_COMPARE(QCursor::pos(), m_view->mapToGlobal(centreOf(target)));
}

void TestNativeGallery::rightClick(QQuickItem *target)
{
    QTest::mouseClick(m_view.get(), Qt::RightButton, {}, centreOf(target));
}

void TestNativeGallery::gallery()
{
    QQuickItem *root = m_view->rootObject();
    QCOMPARE(m_view->size(), QSize(int(root->width()), int(root->height())));

    QQuickItem *hovered = item("hoveredButton");
    QVERIFY(hovered);
    moveTo(hovered);
    QTRY_VERIFY(hovered->findChild<QObject *>(QStringLiteral("nativeButton"))->property("hovered").toBool());
    QQuickItem *focused = item("focusedLineEdit")->findChild<QQuickItem *>(QStringLiteral("textInput"));
    focused->forceActiveFocus();
    QVERIFY(item("focusedLineEdit")->findChild<QObject *>(QStringLiteral("nativeLineEdit"))
                ->property("editFocus").toBool());

    RenderCheck::saveScreenshot(m_view->grabFramebuffer(), QStringLiteral("gallery-nativewidgets"));
    const QStringList texts = RenderCheck::visibleTexts(root);
    for (const char *expected : {"Push buttons", "Check boxes", "Line edits", "Progress bars", "Scroll bars",
                                 "Scroll area", "Scan", "Full scan"})
        QVERIFY2(texts.contains(QLatin1String(expected)), expected);
    const QStringList problems = RenderCheck::problems(root);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void TestNativeGallery::buttonMenuOpensBelowTheButton()
{
    QQuickItem *button = item("menuButton");
    QVERIFY(button);
    QObject *frame = button->findChild<QObject *>(QStringLiteral("nativeButton"));
    QVERIFY(frame->property("menu").toBool());
    moveTo(button);

    bool shown = false;
    whilePoppedUp([&] { QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, centreOf(button)); },
                  [&](QMenu *popup) {
        shown = true;
        QCOMPARE(popup->pos(), m_view->mapToGlobal(button->mapToScene(QPointF(0, button->height())).toPoint()));
        QCOMPARE(entriesOf(popup), QStringLiteral("&Quick scan | &Full scan | - | Scan a CD (off) | More"));
        QVERIFY(!popup->actions().at(0)->icon().isNull());
        QVERIFY(!popup->actions().at(4)->icon().isNull());
        // The button stays down while its menu is open.
        QVERIFY(frame->property("pressed").toBool());

        // Over "More" its submenu opens beside it.
        QAction *more = popup->actions().at(4);
        QTest::mouseMove(popup, popup->actionGeometry(more).center());
        QTRY_VERIFY(more->menu()->isVisible());
        QCOMPARE(entriesOf(more->menu()), QStringLiteral("Custom scan... | Registry only"));
        QTest::qWait(50);

        const QRect window(m_view->mapToGlobal(QPoint(0, 0)), m_view->size());
        const QRect shot = window.united(popup->geometry()).united(more->menu()->geometry());
        const QPixmap screen = m_view->screen()->grabWindow(0, shot.x(), shot.y(), shot.width(), shot.height());
        RenderCheck::saveScreenshot(screen.toImage(), QStringLiteral("gallery-nativewidgets-menu"));
    });
    QVERIFY(shown);
    QVERIFY(!frame->property("pressed").toBool());
}

void TestNativeGallery::lineEditMenu_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("entries");
    QTest::newRow("editable") << false << "Cu&t | &Copy | &Paste | Delete | - | Select All";
    QTest::newRow("read-only") << true << "Cu&t (off) | &Copy | &Paste (off) | Delete (off) | - | Select All";
}

// The menu opens where the pointer is, with what a read-only field allows.
void TestNativeGallery::lineEditMenu()
{
    QFETCH(bool, readOnly);
    QFETCH(QString, entries);

    QQuickItem *lineEdit = item("focusedLineEdit");
    lineEdit->setProperty("readOnly", readOnly);
    moveTo(lineEdit);
    QString shownEntries;
    QPoint shownAt;
    whilePoppedUp([&] { rightClick(lineEdit); }, [&](QMenu *popup) {
        shownEntries = entriesOf(popup);
        shownAt = popup->pos();
    });
    QCOMPARE(shownEntries, entries);
    QCOMPARE(shownAt, QCursor::pos());
}

void TestNativeGallery::lineEditMenuEdits()
{
    QQuickItem *lineEdit = item("focusedLineEdit");
    moveTo(lineEdit);
    const auto choose = [&](const char *entry) {
        whilePoppedUp([&] { rightClick(lineEdit); }, [&](QMenu *popup) { clickEntry(popup, entry); });
    };

    choose("Select All");
    QCOMPARE(lineEdit->property("selectedText").toString(), QStringLiteral("typing"));
    choose("Cu&t");
    QCOMPARE(lineEdit->property("text").toString(), QString());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("typing"));
    choose("&Paste");
    choose("&Paste");
    QCOMPARE(lineEdit->property("text").toString(), QStringLiteral("typingtyping"));
    choose("Delete");
    QCOMPARE(lineEdit->property("text").toString(), QString());
}

QTEST_MAIN(TestNativeGallery)
#include "tst_nativegallery.moc"
