#include "widgets/declarativecursorarea.h"
#include "widgets/registercursorarea.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestCursorArea : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unsetCursorReadsArrow();
    void namesReadBack_data();
    void namesReadBack();
    void writingStaysSilent();
    void registeredForPages();
};

void TestCursorArea::initTestCase()
{
    registerCursorArea();
}

void TestCursorArea::unsetCursorReadsArrow()
{
    DeclarativeCursorArea area;
    QCOMPARE(area.cursorShape(), QStringLiteral("arrow"));
    QCOMPARE(area.flags() & QQuickItem::ItemHasContents, QQuickItem::Flags());
}

void TestCursorArea::namesReadBack_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QString>("read");

    const struct { const char *written; Qt::CursorShape shape; const char *read; } cases[] = {
        {"arrow", Qt::ArrowCursor, "arrow"},
        {"up_arrow", Qt::UpArrowCursor, "up_arrow"},
        {"cross", Qt::CrossCursor, "cross"},
        {"wait", Qt::WaitCursor, "wait"},
        {"hourglass", Qt::WaitCursor, "wait"},
        {"ibeam", Qt::IBeamCursor, "ibeam"},
        {"i-beam", Qt::IBeamCursor, "ibeam"},
        {"size_ver", Qt::SizeVerCursor, "size_ver"},
        {"size_hor", Qt::SizeHorCursor, "size_hor"},
        {"size_bdiag", Qt::SizeBDiagCursor, "size_bdiag"},
        {"size_fdiag", Qt::SizeFDiagCursor, "size_fdiag"},
        {"size_all", Qt::SizeAllCursor, "size_all"},
        {"split_v", Qt::SplitVCursor, "split_v"},
        {"split_h", Qt::SplitHCursor, "split_h"},
        {"hand", Qt::PointingHandCursor, "hand"},
        {"pointing_hand", Qt::PointingHandCursor, "hand"},
        {"forbidden", Qt::ForbiddenCursor, "forbidden"},
        {"whats_this", Qt::WhatsThisCursor, "whats_this"},
        {"busy", Qt::BusyCursor, "busy"},
        {"openhand", Qt::OpenHandCursor, "openhand"},
        {"closedhand", Qt::ClosedHandCursor, "closedhand"},
        {"dnd-copy", Qt::DragCopyCursor, "dnd-copy"},
        {"copy", Qt::DragCopyCursor, "dnd-copy"},
        {"dnd-move", Qt::DragMoveCursor, "dnd-move"},
        {"move", Qt::DragMoveCursor, "dnd-move"},
        {"dnd-link", Qt::DragLinkCursor, "dnd-link"},
        {"link", Qt::DragLinkCursor, "dnd-link"},
        // Names compare exactly; anything unknown is the arrow.
        {"Hand", Qt::ArrowCursor, "arrow"},
        {"HAND", Qt::ArrowCursor, "arrow"},
        {"", Qt::ArrowCursor, "arrow"},
        {"blank", Qt::ArrowCursor, "arrow"},
        {" hand", Qt::ArrowCursor, "arrow"},
    };
    for (const auto &c : cases)
        QTest::addRow("'%s'", c.written) << QString::fromLatin1(c.written) << int(c.shape)
                                        << QString::fromLatin1(c.read);
}

void TestCursorArea::namesReadBack()
{
    QFETCH(QString, written);
    QFETCH(int, shape);
    QFETCH(QString, read);

    DeclarativeCursorArea area;
    area.setCursorShape(QStringLiteral("cross"));
    area.setCursorShape(written);
    QCOMPARE(int(area.cursor().shape()), shape);
    QCOMPARE(area.cursorShape(), read);
    QCOMPARE(area.property("cursorShape").toString(), read);
}

void TestCursorArea::writingStaysSilent()
{
    DeclarativeCursorArea area;
    QSignalSpy changed(&area, &DeclarativeCursorArea::cursorShapeChanged);
    area.setCursorShape(QStringLiteral("hand"));
    area.setProperty("cursorShape", QStringLiteral("wait"));
    QVERIFY(QMetaObject::invokeMethod(&area, "setCursorShape", Q_ARG(QString, QStringLiteral("cross"))));
    QCOMPARE(area.cursorShape(), QStringLiteral("cross"));
    QCOMPARE(changed.count(), 0);
}

void TestCursorArea::registeredForPages()
{
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData("import QtQuick\n"
                      "import NativeQuickWidgets 1.0\n"
                      "Item { property alias shape: area.cursorShape\n"
                      "       CursorArea { id: area; cursorShape: \"pointing_hand\" } }",
                      QUrl());
    std::unique_ptr<QObject> page(component.create());
    QVERIFY2(page, qPrintable(component.errorString()));
    QCOMPARE(page->property("shape").toString(), QStringLiteral("hand"));
    auto *area = page->findChild<DeclarativeCursorArea *>();
    QVERIFY(area);
    QCOMPARE(area->cursor().shape(), Qt::PointingHandCursor);
}

QTEST_MAIN(TestCursorArea)
#include "tst_cursorarea.moc"
