#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QRegularExpression>
#include <QTest>

#include <memory>

// The module as any QML host sees it: a plain engine that finds it through
// its import path, in a process that links nothing of it. This host runs a
// QGuiApplication, as many do: there is no desktop style to draw with.
class TestNativePlugin : public QObject
{
    Q_OBJECT

private slots:
    void everyTypeImports();
    void registeredInOrder();
    void withoutADesktopStyle();
};

namespace {

constexpr char everyType[] = R"(
import QtQuick
import NativeQuickWidgets 1.0
Item {
    width: 300; height: 200
    DeclarativeButton { width: 80; height: 25 }
    DeclarativeCheckBox { y: 30; width: 20; height: 20 }
    CursorArea { cursorShape: "hand" }
    DeclarativeLineEdit { y: 60; width: 80; height: 25 }
    Menu { MenuAction { text: "Entry" } Menu { text: "More" } }
    DeclarativeProgressBar { y: 90; width: 100; height: 25; value: 50 }
    DeclarativeScrollBar { objectName: "bar"; y: 120; width: 200; height: 16; maximum: 100 }
    Button { x: 150; text: "Button" }
    CheckBox { x: 150; y: 30; text: "Check" }
    ContextMenu { MenuAction { text: "Entry" } }
    LineEdit { x: 150; y: 60; text: "Text" }
    ProgressBar { x: 150; y: 90; value: 10 }
    ScrollArea { y: 140; width: 100; height: 50; contentWidth: 200; contentHeight: 200 }
    ScrollBar { y: 180; width: 100; maximum: 10 }
}
)";

std::unique_ptr<QObject> create(QQmlEngine &engine, const char *source)
{
    engine.addImportPath(QStringLiteral(NATIVEQUICKWIDGETS_IMPORT_DIR));
    QQmlComponent component(&engine);
    component.setData(source, QUrl());
    std::unique_ptr<QObject> object(component.create());
    if (!object)
        qWarning("%s", qPrintable(component.errorString()));
    return object;
}

} // namespace

void TestNativePlugin::everyTypeImports()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("needs a QApplication")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QQmlEngine engine;
    QVERIFY(create(engine, everyType));
}

void TestNativePlugin::registeredInOrder()
{
    QQmlEngine engine;
    QVERIFY(create(engine, "import NativeQuickWidgets 1.0\nMenuAction {}"));
    const char *const order[] = {"DeclarativeButton", "DeclarativeCheckBox", "CursorArea",
                                 "DeclarativeLineEdit", "MenuAction", "Menu",
                                 "DeclarativeProgressBar", "DeclarativeScrollBar"};
    int previous = -1;
    for (const char *name : order) {
        const int id = qmlTypeId("NativeQuickWidgets", 1, 0, name);
        QVERIFY2(id > previous, name);
        previous = id;
    }
}

// No crash and no drawing: the items stay blank and the scroll bar names no
// part under any point.
void TestNativePlugin::withoutADesktopStyle()
{
    QVERIFY(!QGuiApplication::instance()->inherits("QApplication"));
    QQuickView view;
    view.engine()->addImportPath(QStringLiteral(NATIVEQUICKWIDGETS_IMPORT_DIR));
    view.setColor(Qt::white);
    QByteArray source(everyType);
    view.setSource(QUrl(QStringLiteral("data:text/plain,") + QString::fromUtf8(source.toPercentEncoding())));
    QCOMPARE(view.status(), QQuickView::Ready);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage frame = view.grabWindow();
    QVERIFY(!frame.isNull());

    QObject *bar = view.rootObject()->findChild<QObject *>(QStringLiteral("bar"));
    QVERIFY(bar);
    QString hit = QStringLiteral("not asked");
    QVERIFY(QMetaObject::invokeMethod(bar, "hitTest", Q_RETURN_ARG(QString, hit), Q_ARG(int, 100), Q_ARG(int, 8)));
    QCOMPARE(hit, QString());
    const QColor blank = frame.pixelColor(QPoint(40, 12) * frame.devicePixelRatio());
    QCOMPARE(blank, QColor(Qt::white));
}

QTEST_MAIN(TestNativePlugin)
#include "tst_nativeplugin.moc"
