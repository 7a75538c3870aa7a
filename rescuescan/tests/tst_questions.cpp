#include "app/alertframe.h"
#include "app/alertviewer.h"
#include "app/draghandle.h"
#include "app/fontfallbacks.h"
#include "app/qnoframedialog.h"
#include "app/showquestion.h"
#include "widgets/registercursorarea.h"

#include "rendercheck.h"
#include "support/questions.h"

#include <QApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QScreen>
#include <QTest>

#include <memory>

namespace {

const QString longMessage = QStringLiteral(
    "Are you sure to abort without fixing? The threats found stay on the disk.");

} // namespace

class TestQuestions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void answers_data();
    void answers();
    void windowFacts_data();
    void windowFacts();
    void centredOn1024x768();
    void widePageUsesFewerLines();
    void dragAnywhereMovesWindow();
    void dragHandleIsTheTopHeader_data();
    void dragHandleIsTheTopHeader();
    void framesAreFramelessAndCentred();
};

void TestQuestions::initTestCase()
{
    registerCursorArea();
    installFontFallbacks();
}

void TestQuestions::answers_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected");

    for (bool wide : {false, true}) {
        const char *page = wide ? "wide" : "narrow";
        QTest::addRow("%s, YES", page) << wide << "yes" << 1;
        QTest::addRow("%s, NO", page) << wide << "no" << 0;
        QTest::addRow("%s, window closed", page) << wide << "close" << 0;
        QTest::addRow("%s, Escape", page) << wide << "escape" << 0;
        QTest::addRow("%s, Qt.quit() on the page", page) << wide << "quit" << 0;
    }
}

void TestQuestions::answers()
{
    QFETCH(bool, wide);
    QFETCH(QString, action);
    QFETCH(int, expected);

    QWidget owner;
    owner.show();
    const int result = askWhile(wide ? showWideQuestion : showQuestion, &owner,
                                QStringLiteral("Warning"), QStringLiteral("Are you sure to exit?"),
                                [&](const OpenQuestion &q) {
        if (action == QLatin1String("yes"))
            q.click("yesButton");
        else if (action == QLatin1String("no"))
            q.click("noButton");
        else if (action == QLatin1String("close"))
            q.frame->close();
        else if (action == QLatin1String("escape"))
            QTest::keyClick(q.frame, Qt::Key_Escape);
        else
            QQmlExpression(q.viewer->rootContext(), q.viewer->rootObject(), QStringLiteral("Qt.quit()")).evaluate();
    });
    QCOMPARE(result, expected);
    // Only the question closed; its owner, standing in for the main window, stays.
    QVERIFY(owner.isVisible());
}

void TestQuestions::windowFacts_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("screenshot");

    QTest::newRow("narrow") << false << QSize(347, 183)
                            << QStringLiteral("Are you sure to abort without fixing?") << "question";
    QTest::newRow("narrow, long message") << false << QSize(347, 183) << longMessage
                                          << "question-long";
    QTest::newRow("wide") << true << QSize(547, 183)
                          << QStringLiteral("Would you like to download Wardline and have Windows "
                                            "install it the next time it starts? It protects this "
                                            "computer against malware.")
                          << "question-wide";
}

void TestQuestions::windowFacts()
{
    QFETCH(bool, wide);
    QFETCH(QSize, size);
    QFETCH(QString, content);
    QFETCH(QString, screenshot);

    const QString title = QStringLiteral("Warning");
    QSize frameSize;
    QSize viewSize;
    QPoint position;
    Qt::WindowFlags flags;
    bool translucent = false;
    QStringList texts;
    QStringList problems;
    QImage shot;
    askWhile(wide ? showWideQuestion : showQuestion, nullptr, title, content,
             [&](const OpenQuestion &q) {
        frameSize = q.frame->size();
        viewSize = q.viewer->size();
        position = q.frame->pos();
        flags = q.frame->windowFlags();
        translucent = q.frame->testAttribute(Qt::WA_TranslucentBackground);
        texts = RenderCheck::visibleTexts(q.viewer->rootObject());
        problems = RenderCheck::problems(q.viewer->rootObject());
        shot = q.viewer->grabFramebuffer();
        q.click("noButton");
    });

    RenderCheck::saveScreenshot(shot, screenshot);
    QCOMPARE(frameSize, size);
    QCOMPARE(viewSize, size);
    QCOMPARE(shot.size(), size);
    QCOMPARE(flags, Qt::Dialog | Qt::FramelessWindowHint);
    QVERIFY(translucent);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(position, QPoint(screen.x() + (screen.width() - size.width()) / 2,
                              screen.y() + (screen.height() - size.height()) / 2));
    QCOMPARE(texts, QStringList({title, content, QStringLiteral("YES"), QStringLiteral("NO")}));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void TestQuestions::centredOn1024x768()
{
    if (QGuiApplication::primaryScreen()->geometry() != QRect(0, 0, 1024, 768))
        QSKIP("needs a 1024 x 768 screen, as the test run under Xvfb has");

    // The owner sits in a corner: the question still takes the screen's centre.
    QWidget owner;
    owner.setGeometry(0, 0, 200, 100);
    owner.show();
    QPoint narrow;
    QPoint wide;
    askWhile(showQuestion, &owner, QStringLiteral("Warning"), QStringLiteral("Are you sure to exit?"),
             [&](const OpenQuestion &q) { narrow = q.frame->pos(); q.click("noButton"); });
    askWhile(showWideQuestion, &owner, QStringLiteral("Warning"), QStringLiteral("Are you sure to exit?"),
             [&](const OpenQuestion &q) { wide = q.frame->pos(); q.click("noButton"); });
    QCOMPARE(narrow, QPoint(338, 292));
    QCOMPARE(wide, QPoint(238, 292));
}

void TestQuestions::widePageUsesFewerLines()
{
    int narrowLines = 0;
    int wideLines = 0;
    const auto lines = [](int &into) {
        return [&into](const OpenQuestion &q) {
            into = q.item("contentText")->property("lineCount").toInt();
            q.click("noButton");
        };
    };
    askWhile(showQuestion, nullptr, QStringLiteral("Warning"), longMessage, lines(narrowLines));
    askWhile(showWideQuestion, nullptr, QStringLiteral("Warning"), longMessage, lines(wideLines));
    QVERIFY2(wideLines > 0 && wideLines < narrowLines,
             qPrintable(QStringLiteral("wide %1 lines, narrow %2").arg(wideLines).arg(narrowLines)));
}

void TestQuestions::dragAnywhereMovesWindow()
{
    QPoint start;
    QPoint afterDrag;
    QPoint afterRelease;
    int result = -1;
    result = askWhile(showQuestion, nullptr, QStringLiteral("Warning"), QStringLiteral("Are you sure to exit?"),
                      [&](const OpenQuestion &q) {
        start = q.frame->pos();
        // The message area: no header item on this page, so any press drags.
        const QPoint press(150, 90);
        QTest::mousePress(q.viewer, Qt::LeftButton, {}, press);
        QTest::mouseMove(q.viewer, press + QPoint(40, 30));
        afterDrag = q.frame->pos();
        QTest::mouseRelease(q.viewer, Qt::LeftButton, {}, press + QPoint(40, 30));
        QTest::mouseMove(q.viewer, QPoint(10, 10));
        afterRelease = q.frame->pos();
        q.click("noButton");
    });
    QCOMPARE(result, 0);
    QCOMPARE(afterDrag, start + QPoint(40, 30));
    QCOMPARE(afterRelease, afterDrag);
}

void TestQuestions::dragHandleIsTheTopHeader_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("drags");

    const QString atTop = QStringLiteral("Item { objectName: \"topHeader\"; width: 640; height: 38 }");
    const QString nested = QStringLiteral(
        "Item { x: 100; y: 50; width: 200; height: 100\n"
        "       Item { objectName: \"topHeader\"; x: 20; width: 100; height: 30 } }");
    QTest::newRow("no header: anywhere") << QString() << QPoint(300, 300) << true;
    QTest::newRow("inside the header") << atTop << QPoint(600, 37) << true;
    QTest::newRow("below the header") << atTop << QPoint(10, 40) << false;
    QTest::newRow("inside a nested header") << nested << QPoint(125, 55) << true;
    QTest::newRow("left of a nested header") << nested << QPoint(110, 55) << false;
}

void TestQuestions::dragHandleIsTheTopHeader()
{
    QFETCH(QString, header);
    QFETCH(QPoint, press);
    QFETCH(bool, drags);

    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(("import QtQuick\nItem { width: 640; height: 410\n" + header + "\n}").toUtf8(), QUrl());
    std::unique_ptr<QObject> page(component.create());
    QVERIFY2(page, qPrintable(component.errorString()));
    QCOMPARE(pressStartsDrag(qobject_cast<QQuickItem *>(page.get()), press), drags);
}

void TestQuestions::framesAreFramelessAndCentred()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint centred(screen.x() + (screen.width() - 640) / 2, screen.y() + (screen.height() - 410) / 2);

    AlertFrame alert(nullptr);
    QNoFrameDialog content(nullptr);
    alert.resize(640, 410);
    content.resize(640, 410);
    alert.centerOnScreen();
    content.centerOnScreen();
    for (QDialog *dialog : {static_cast<QDialog *>(&alert), static_cast<QDialog *>(&content)}) {
        QCOMPARE(dialog->windowFlags(), Qt::Dialog | Qt::FramelessWindowHint);
        QVERIFY(dialog->testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(dialog->pos(), centred);
    }
}

QTEST_MAIN(TestQuestions)
#include "tst_questions.moc"
