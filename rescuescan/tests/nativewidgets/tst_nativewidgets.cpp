#include "widgets/declarativebutton.h"
#include "widgets/declarativecheckbox.h"
#include "widgets/declarativelineedit.h"
#include "widgets/declarativemenu.h"
#include "widgets/declarativemenuaction.h"
#include "widgets/declarativeprogressbar.h"
#include "widgets/declarativescrollbar.h"

#include "popupwatch.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QMenu>
#include <QMetaProperty>
#include <QQmlParserStatus>
#include <QQuickView>
#include <QQuickWidget>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>

#include <climits>
#include <functional>
#include <memory>

namespace {

// Gives a test the style option an item paints with.
template <class Item>
class Probed : public Item
{
public:
    template <class Option = QStyleOption>
    const Option &option() const
    {
        return this->template optionAs<Option>();
    }
};

// A made item, and the state flags of its option.
struct Made
{
    std::unique_ptr<DeclarativeWidget> item;
    std::function<QStyle::State()> state;
};

template <class Item>
Made make()
{
    auto *item = new Probed<Item>;
    return {std::unique_ptr<DeclarativeWidget>(item), [item] { return item->option().state; }};
}

Made makeItem(const QString &kind)
{
    if (kind == QLatin1String("button"))
        return make<DeclarativeButton>();
    if (kind == QLatin1String("checkbox"))
        return make<DeclarativeCheckBox>();
    if (kind == QLatin1String("lineedit"))
        return make<DeclarativeLineEdit>();
    if (kind == QLatin1String("progressbar"))
        return make<DeclarativeProgressBar>();
    return make<DeclarativeScrollBar>();
}

// A window to put items in, so that they are painted as on a page.
class Scene
{
public:
    Scene()
    {
        m_view.resize(400, 300);
        m_view.setColor(Qt::white);
        m_view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_view));
    }

    void add(QQuickItem *item, const QRectF &geometry)
    {
        item->setParentItem(m_view.contentItem());
        item->setPosition(geometry.topLeft());
        item->setSize(geometry.size());
    }

    // Renders a frame now, painting every item that asked for it.
    QImage render(const QQuickItem *item)
    {
        const QImage frame = m_view.grabWindow();
        const qreal ratio = frame.devicePixelRatio();
        return frame.copy(QRectF(item->position() * ratio, item->size() * ratio).toRect());
    }

    QQuickView &view() { return m_view; }

private:
    QQuickView m_view;
};

QString fmtState(QStyle::State state)
{
    return QStringLiteral("0x%1").arg(uint(state), 0, 16);
}

void append(DeclarativeMenu &menu, std::initializer_list<DeclarativeMenuAction *> actions)
{
    QQmlListProperty<DeclarativeMenuAction> list = menu.actions();
    for (DeclarativeMenuAction *action : actions)
        list.append(&list, action);
}

qsizetype countOf(DeclarativeMenu &menu)
{
    QQmlListProperty<DeclarativeMenuAction> list = menu.actions();
    return list.count(&list);
}

DeclarativeMenuAction *actionAt(DeclarativeMenu &menu, qsizetype index)
{
    QQmlListProperty<DeclarativeMenuAction> list = menu.actions();
    return list.at(&list, index);
}

constexpr char resourceImage[] = ":/qt-project.org/styles/commonstyle/images/up-16.png";

} // namespace

class TestNativeWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void initialOptions();
    void statesFollowProperties_data();
    void statesFollowProperties();
    void settersRepaint_data();
    void settersRepaint();

    void progressText_data();
    void progressText();
    void progressTextStaysWhenTheRangeChanges();
    void declaredInAnyOrder_data();
    void declaredInAnyOrder();

    void orientation_data();
    void orientation();
    void valueClamp_data();
    void valueClamp();
    void rangeChangesDoNotClampTheValue();
    void subControlNames_data();
    void subControlNames();
    void beforeTheFirstPaint();
    void hitTestNamesThePartUnderThePoint_data();
    void hitTestNamesThePartUnderThePoint();
    void grooveAndSliderFollowTheOrientation();

    void menuBuiltInOrder();
    void iconRule_data();
    void iconRule();
    void onlyChosenEntriesTrigger();
    void execWhileShownDoesNothing();
    void execAtPlacesTheMenu_data();
    void execAtPlacesTheMenu();
    void destroyedActionsDropOut();
    void menuListedInsideItself();
    void choiceThatDestroysTheMenu();
};

void TestNativeWidgets::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
}

void TestNativeWidgets::initialOptions()
{
    Probed<DeclarativeButton> button;
    QCOMPARE(fmtState(button.option().state), fmtState(QStyle::State_Enabled | QStyle::State_Raised));
    QCOMPARE(button.option<QStyleOptionButton>().features, QStyleOptionButton::None);
    QVERIFY(button.option<QStyleOptionButton>().text.isEmpty());
    QVERIFY(button.option<QStyleOptionButton>().icon.isNull());

    Probed<DeclarativeCheckBox> checkBox;
    QCOMPARE(fmtState(checkBox.option().state), fmtState(QStyle::State_Enabled | QStyle::State_Off));

    Probed<DeclarativeLineEdit> lineEdit;
    const auto &frame = lineEdit.option<QStyleOptionFrame>();
    QCOMPARE(fmtState(frame.state), fmtState(QStyle::State_Enabled | QStyle::State_Sunken));
    QCOMPARE(frame.lineWidth, QApplication::style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame));
    QVERIFY(frame.lineWidth > 0);
    QCOMPARE(frame.midLineWidth, 0);
    QCOMPARE(frame.features, QStyleOptionFrame::None);

    // Qt 6 styles read a progress bar's orientation from State_Horizontal.
    Probed<DeclarativeProgressBar> progressBar;
    const auto &progress = progressBar.option<QStyleOptionProgressBar>();
    QCOMPARE(fmtState(progress.state), fmtState(QStyle::State_Enabled | QStyle::State_Horizontal));
    QCOMPARE(progress.minimum, 0);
    QCOMPARE(progress.maximum, 100);
    QCOMPARE(progress.progress, 0);
    QCOMPARE(progress.text, QStringLiteral("0%"));
    QVERIFY(progress.textVisible);

    // Qt 6 styles draw a horizontal scroll bar by State_Horizontal too.
    Probed<DeclarativeScrollBar> scrollBar;
    const auto &slider = scrollBar.option<QStyleOptionSlider>();
    QCOMPARE(fmtState(slider.state), fmtState(QStyle::State_Enabled | QStyle::State_Horizontal));
    QCOMPARE(slider.subControls, QStyle::SC_All);
    QCOMPARE(slider.activeSubControls, QStyle::SC_None);
    QCOMPARE(slider.orientation, Qt::Horizontal);
    QCOMPARE(scrollBar.orientation(), QStringLiteral("horizontal"));
    QCOMPARE(slider.minimum, 0);
    QCOMPARE(slider.maximum, 0);
    QCOMPARE(slider.sliderPosition, 0);
    QCOMPARE(slider.sliderValue, 0);
    QCOMPARE(slider.singleStep, 1);
    QCOMPARE(slider.pageStep, 10);

    // What the application held when the item was made.
    QCOMPARE(slider.palette, QApplication::palette());
    QCOMPARE(slider.direction, QApplication::layoutDirection());
    QCOMPARE(slider.fontMetrics.height(), QFontMetrics(QApplication::font()).height());
}

void TestNativeWidgets::statesFollowProperties_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("setFlags");
    QTest::addColumn<int>("clearedFlags");

    using S = QStyle;
    const struct
    {
        const char *kind;
        const char *property;
        QVariant value;
        int set;
        int cleared;
    } cases[] = {
        {"button", "widgetEnabled", false, 0, S::State_Enabled},
        {"button", "widgetEnabled", true, S::State_Enabled, 0},
        {"button", "hovered", true, S::State_MouseOver, 0},
        {"button", "hovered", false, 0, S::State_MouseOver},
        // Pressing sinks the button and leaves it raised; releasing raises it.
        {"button", "pressed", true, S::State_Sunken | S::State_Raised, 0},
        {"button", "pressed", false, S::State_Raised, S::State_Sunken},
        {"button", "menu", true, 0, 0},
        {"checkbox", "checked", true, S::State_On, S::State_Off},
        {"checkbox", "checked", false, S::State_Off, S::State_On},
        {"checkbox", "hovered", true, S::State_MouseOver, 0},
        {"checkbox", "widgetEnabled", false, 0, S::State_Enabled},
        {"lineedit", "hovered", true, S::State_MouseOver, 0},
        {"lineedit", "editFocus", true, S::State_HasFocus, 0},
        {"lineedit", "editFocus", false, 0, S::State_HasFocus},
        {"lineedit", "readOnly", true, S::State_ReadOnly, 0},
        {"lineedit", "readOnly", false, 0, S::State_ReadOnly},
        {"progressbar", "widgetEnabled", false, 0, S::State_Enabled},
        {"progressbar", "minimum", 5, 0, 0},
        {"progressbar", "maximum", 50, 0, 0},
        {"progressbar", "textVisible", false, 0, 0},
        {"progressbar", "value", 20, 0, 0},
        {"scrollbar", "hovered", true, S::State_MouseOver, 0},
        {"scrollbar", "pressed", true, S::State_Sunken, 0},
        {"scrollbar", "pressed", false, 0, S::State_Sunken},
        {"scrollbar", "widgetEnabled", false, 0, S::State_Enabled},
        {"scrollbar", "minimum", -5, 0, 0},
        {"scrollbar", "maximum", 50, 0, 0},
        {"scrollbar", "pageStep", 7, 0, 0},
        {"scrollbar", "singleStep", 3, 0, 0},
        {"scrollbar", "value", 0, 0, 0},
    };
    for (const auto &c : cases)
        QTest::addRow("%s %s=%s", c.kind, c.property, qPrintable(c.value.toString()))
            << QString::fromLatin1(c.kind) << QString::fromLatin1(c.property) << c.value << c.set << c.cleared;
}

// Every write lands in the option, reads back, and is announced with the new
// value, a second write of the same value as well.
void TestNativeWidgets::statesFollowProperties()
{
    QFETCH(QString, kind);
    QFETCH(QString, property);
    QFETCH(QVariant, value);
    QFETCH(int, setFlags);
    QFETCH(int, clearedFlags);

    Made made = makeItem(kind);
    QObject *item = made.item.get();
    const QMetaObject *meta = item->metaObject();
    const QMetaProperty metaProperty = meta->property(meta->indexOfProperty(qPrintable(property)));
    QVERIFY(metaProperty.isValid());
    QSignalSpy changed(item, metaProperty.notifySignal());
    QVERIFY(changed.isValid());

    QVERIFY(item->setProperty(qPrintable(property), value));
    QVERIFY(item->setProperty(qPrintable(property), value));
    QCOMPARE(item->property(qPrintable(property)), value);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0), value);
    QCOMPARE(changed.at(1).at(0), value);

    const int state = int(made.state());
    QCOMPARE(fmtState(QStyle::State(state & setFlags)), fmtState(QStyle::State(setFlags)));
    QCOMPARE(fmtState(QStyle::State(state & clearedFlags)), fmtState(QStyle::State()));
}

void TestNativeWidgets::settersRepaint_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");

    // Only changes that the Fusion style shows: it draws a line edit's
    // hovered and read-only states, a scroll bar's single step, pressed and
    // disabled states, and an unchecked check box's disabled state, as it
    // draws them without.
    const struct
    {
        const char *kind;
        const char *property;
        QVariant value;
    } cases[] = {
        {"button", "pressed", true},
        {"button", "widgetEnabled", false},
        {"button", "menu", true},
        {"checkbox", "checked", true},
        {"lineedit", "editFocus", true},
        {"progressbar", "value", 40},
        {"progressbar", "textVisible", false},
        {"progressbar", "maximum", 50},
        {"progressbar", "minimum", -100},
        {"scrollbar", "value", 60},
        {"scrollbar", "maximum", 20},
        {"scrollbar", "minimum", 80},
        {"scrollbar", "pageStep", 100},
        {"scrollbar", "orientation", QStringLiteral("vertical")},
    };
    for (const auto &c : cases)
        QTest::addRow("%s %s", c.kind, c.property)
            << QString::fromLatin1(c.kind) << QString::fromLatin1(c.property) << c.value;
}

// A write shows at the next frame: the item asks to be painted again.
void TestNativeWidgets::settersRepaint()
{
    QFETCH(QString, kind);
    QFETCH(QString, property);
    QFETCH(QVariant, value);

    Scene scene;
    Made made = makeItem(kind);
    QQuickItem *item = made.item.get();
    scene.add(item, QRectF(20, 20, 120, 40));
    if (item->metaObject()->indexOfProperty("maximum") >= 0) {
        item->setProperty("maximum", 100);
        item->setProperty("value", 30);
    }
    const QImage before = scene.render(item);
    QVERIFY(item->setProperty(qPrintable(property), value));
    const QImage after = scene.render(item);
    QVERIFY2(before != after, "the item looks as it did before the write");
}

void TestNativeWidgets::progressText_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("33 of 0..100") << 0 << 100 << 33 << "33%";
    QTest::newRow("at the minimum") << 0 << 100 << 0 << "0%";
    QTest::newRow("at the maximum") << 0 << 100 << 100 << "100%";
    QTest::newRow("truncated, not rounded") << 0 << 3 << 2 << "66%";
    QTest::newRow("offset range") << 10 << 20 << 15 << "50%";
    QTest::newRow("negative range") << -10 << 10 << -5 << "25%";
    QTest::newRow("above the maximum") << 0 << 100 << 101 << "";
    QTest::newRow("below the minimum") << 0 << 100 << -1 << "";
    QTest::newRow("empty range") << 50 << 50 << 50 << "";
    QTest::newRow("minimum above maximum") << 100 << 0 << 50 << "";
    QTest::newRow("full int range") << INT_MIN << INT_MAX << 0 << "50%";
    QTest::newRow("large maximum") << 0 << INT_MAX << INT_MAX << "100%";
    QTest::newRow("large value") << 0 << INT_MAX << INT_MAX / 3 << "33%";
}

void TestNativeWidgets::progressText()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(QString, text);

    Probed<DeclarativeProgressBar> bar;
    bar.setMinimum(minimum);
    bar.setMaximum(maximum);
    QSignalSpy changed(&bar, &DeclarativeProgressBar::valueChanged);
    bar.setValue(value);
    QCOMPARE(bar.option<QStyleOptionProgressBar>().text, text);
    // The value is kept as given, inside the range or not.
    QCOMPARE(bar.option<QStyleOptionProgressBar>().progress, value);
    QCOMPARE(bar.value(), value);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), value);
}

void TestNativeWidgets::progressTextStaysWhenTheRangeChanges()
{
    Probed<DeclarativeProgressBar> bar;
    const auto text = [&] { return bar.option<QStyleOptionProgressBar>().text; };
    QCOMPARE(text(), QStringLiteral("0%"));
    bar.setMaximum(50);
    bar.setMinimum(-50);
    QCOMPARE(text(), QStringLiteral("0%"));

    bar.setValue(25);
    QCOMPARE(text(), QStringLiteral("75%"));
    bar.setMaximum(10);
    bar.setMinimum(30);
    QCOMPARE(text(), QStringLiteral("75%"));
    bar.setValue(25);
    QCOMPARE(text(), QString());
}

void TestNativeWidgets::declaredInAnyOrder_data()
{
    QTest::addColumn<bool>("valueFirst");
    QTest::newRow("range first") << false;
    QTest::newRow("value first") << true;
}

// QML sets the properties of a declaration in an order of its own, between
// classBegin() and componentComplete(): the result is the same either way.
void TestNativeWidgets::declaredInAnyOrder()
{
    QFETCH(bool, valueFirst);

    struct Declared
    {
        int minimum;
        int maximum;
        int value;
        QString text;
        int stored;
    };
    const Declared declarations[] = {
        {10, 20, 15, QStringLiteral("50%"), 15},
        {80, 20, 50, QString(), 20},
        {0, 50, 150, QString(), 50},
    };
    for (const Declared &declared : declarations) {
        Probed<DeclarativeProgressBar> progress;
        DeclarativeScrollBar scroll;
        // As the QML engine sees them.
        QQmlParserStatus *const creating[] = {&progress, &scroll};
        for (QQmlParserStatus *item : creating)
            item->classBegin();
        if (valueFirst) {
            progress.setValue(declared.value);
            scroll.setValue(declared.value);
        }
        progress.setMinimum(declared.minimum);
        progress.setMaximum(declared.maximum);
        scroll.setMinimum(declared.minimum);
        scroll.setMaximum(declared.maximum);
        if (!valueFirst) {
            progress.setValue(declared.value);
            scroll.setValue(declared.value);
        }
        for (QQmlParserStatus *item : creating)
            item->componentComplete();
        QCOMPARE(progress.option<QStyleOptionProgressBar>().text, declared.text);
        QCOMPARE(progress.value(), declared.value);
        QCOMPARE(scroll.value(), declared.stored);
    }
}

void TestNativeWidgets::orientation_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("reads");
    QTest::addColumn<bool>("horizontalFlag");
    QTest::addColumn<bool>("signalled");

    // An empty start is a new bar, horizontal.
    QTest::newRow("vertical") << "" << "vertical" << "vertical" << false << true;
    QTest::newRow("VERTICAL") << "" << "VERTICAL" << "vertical" << false << true;
    QTest::newRow("Vertical") << "" << "Vertical" << "vertical" << false << true;
    QTest::newRow("horizontal") << "" << "horizontal" << "horizontal" << true << true;
    QTest::newRow("HoriZontal from vertical") << "vertical" << "HoriZontal" << "horizontal" << true << true;
    QTest::newRow("unknown word") << "" << "diagonal" << "horizontal" << true << false;
    QTest::newRow("unknown word on a vertical bar") << "vertical" << "diagonal" << "vertical" << false << false;
    QTest::newRow("empty on a vertical bar") << "vertical" << "" << "vertical" << false << false;
    QTest::newRow("padded") << "vertical" << " horizontal" << "vertical" << false << false;
    QTest::newRow("prefix") << "" << "vert" << "horizontal" << true << false;
}

void TestNativeWidgets::orientation()
{
    QFETCH(QString, start);
    QFETCH(QString, written);
    QFETCH(QString, reads);
    QFETCH(bool, horizontalFlag);
    QFETCH(bool, signalled);

    Probed<DeclarativeScrollBar> bar;
    if (!start.isEmpty())
        bar.setOrientation(start);
    QSignalSpy changed(&bar, &DeclarativeScrollBar::orientationChanged);
    bar.setOrientation(written);
    QCOMPARE(bar.orientation(), reads);
    QCOMPARE(bar.option<QStyleOptionSlider>().orientation,
             reads == QLatin1String("vertical") ? Qt::Vertical : Qt::Horizontal);
    QCOMPARE(bar.option().state.testFlag(QStyle::State_Horizontal), horizontalFlag);
    QCOMPARE(changed.count(), signalled ? 1 : 0);
    if (signalled)
        QCOMPARE(changed.at(0).at(0).toString(), written);
}

void TestNativeWidgets::valueClamp_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("stored");

    QTest::newRow("inside") << 0 << 100 << 40 << 40;
    QTest::newRow("above the maximum") << 0 << 100 << 150 << 100;
    QTest::newRow("below the minimum") << 0 << 100 << -5 << 0;
    QTest::newRow("negative range") << -20 << -10 << 0 << -10;
    // With the minimum above the maximum, any value gives the maximum.
    QTest::newRow("upside down, between") << 5 << 0 << 3 << 0;
    QTest::newRow("upside down, below") << 5 << 0 << -10 << 0;
    QTest::newRow("upside down, above") << 5 << 0 << 100 << 0;
}

void TestNativeWidgets::valueClamp()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, written);
    QFETCH(int, stored);

    Probed<DeclarativeScrollBar> bar;
    bar.setMinimum(minimum);
    bar.setMaximum(maximum);
    QSignalSpy changed(&bar, &DeclarativeScrollBar::valueChanged);
    bar.setValue(written);
    QCOMPARE(bar.value(), stored);
    QCOMPARE(bar.option<QStyleOptionSlider>().sliderPosition, stored);
    QCOMPARE(bar.option<QStyleOptionSlider>().sliderValue, stored);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), stored);
}

void TestNativeWidgets::rangeChangesDoNotClampTheValue()
{
    DeclarativeScrollBar bar;
    bar.setMaximum(100);
    bar.setValue(50);
    QSignalSpy changed(&bar, &DeclarativeScrollBar::valueChanged);
    bar.setMaximum(10);
    bar.setMinimum(60);
    QCOMPARE(bar.value(), 50);
    QCOMPARE(changed.count(), 0);
}

void TestNativeWidgets::subControlNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("subControl");

    QTest::newRow("AddLine") << "AddLine" << int(QStyle::SC_ScrollBarAddLine);
    QTest::newRow("subline") << "subline" << int(QStyle::SC_ScrollBarSubLine);
    QTest::newRow("ADDPAGE") << "ADDPAGE" << int(QStyle::SC_ScrollBarAddPage);
    QTest::newRow("SubPage") << "SubPage" << int(QStyle::SC_ScrollBarSubPage);
    QTest::newRow("first") << "first" << int(QStyle::SC_ScrollBarFirst);
    QTest::newRow("Last") << "Last" << int(QStyle::SC_ScrollBarLast);
    QTest::newRow("slider") << "slider" << int(QStyle::SC_ScrollBarSlider);
    QTest::newRow("Groove") << "Groove" << int(QStyle::SC_ScrollBarGroove);
    QTest::newRow("empty") << "" << int(QStyle::SC_None);
    QTest::newRow("unknown") << "Handle" << int(QStyle::SC_None);
    QTest::newRow("padded") << "Slider " << int(QStyle::SC_None);
}

void TestNativeWidgets::subControlNames()
{
    QFETCH(QString, name);
    QFETCH(int, subControl);

    Probed<DeclarativeScrollBar> bar;
    QSignalSpy changed(&bar, &DeclarativeScrollBar::valueChanged);
    bar.activateSubControl(QStringLiteral("Groove"));
    bar.activateSubControl(name);
    QCOMPARE(int(bar.option<QStyleOptionSlider>().activeSubControls), subControl);
    QCOMPARE(changed.count(), 0);
}

// Until it is painted the bar knows no rectangle but the null one, whatever
// its size: every answer is the null rectangle's.
void TestNativeWidgets::beforeTheFirstPaint()
{
    DeclarativeScrollBar unsized;
    DeclarativeScrollBar sized;
    sized.setSize(QSizeF(200, 16));
    for (DeclarativeScrollBar *bar : {&unsized, &sized}) {
        bar->setMaximum(100);
        QCOMPARE(bar->hitTest(5, 5), QString());
        QCOMPARE(bar->hitTest(100, 8), QString());
    }
    QCOMPARE(sized.grooveMinimum(), unsized.grooveMinimum());
    QCOMPARE(sized.grooveMaximum(), unsized.grooveMaximum());
    QCOMPARE(sized.sliderMinimum(), unsized.sliderMinimum());
    QCOMPARE(sized.sliderMaximum(), unsized.sliderMaximum());
    QVERIFY(sized.grooveMaximum() < 16);

    Scene scene;
    scene.add(&sized, QRectF(0, 0, 200, 16));
    scene.render(&sized);
    QVERIFY(sized.grooveMaximum() > 100);
    QCOMPARE(sized.hitTest(100, 8), QStringLiteral("AddPage"));
    sized.setParentItem(nullptr);
}

void TestNativeWidgets::hitTestNamesThePartUnderThePoint_data()
{
    QTest::addColumn<QString>("orientation");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("along");
    QTest::addColumn<QString>("name");

    // A bar 200 long and 16 across, range 0..100, page 10. "slider" stands
    // for the middle of the slider wherever it is.
    for (const char *orientation : {"horizontal", "vertical"}) {
        const auto row = [&](const char *what, int value, int along, const char *name) {
            QTest::addRow("%s %s", orientation, what)
                << QString::fromLatin1(orientation) << value << along << QString::fromLatin1(name);
        };
        row("first pixel", 0, 0, "SubLine");
        row("last pixel", 0, 199, "AddLine");
        row("slider at the start", 0, -1, "Slider");
        row("slider in the middle", 50, -1, "Slider");
        row("after the slider", 0, 150, "AddPage");
        row("before the slider", 100, 40, "SubPage");
        row("outside", 0, 250, "");
    }
}

void TestNativeWidgets::hitTestNamesThePartUnderThePoint()
{
    QFETCH(QString, orientation);
    QFETCH(int, value);
    QFETCH(int, along);
    QFETCH(QString, name);

    Scene scene;
    DeclarativeScrollBar bar;
    const bool vertical = orientation == QLatin1String("vertical");
    scene.add(&bar, vertical ? QRectF(0, 0, 16, 200) : QRectF(0, 0, 200, 16));
    bar.setOrientation(orientation);
    bar.setMaximum(100);
    bar.setValue(value);
    scene.render(&bar);
    if (along < 0)
        along = (bar.sliderMinimum() + bar.sliderMaximum()) / 2;
    QCOMPARE(vertical ? bar.hitTest(8, along) : bar.hitTest(along, 8), name);
    bar.setParentItem(nullptr);
}

void TestNativeWidgets::grooveAndSliderFollowTheOrientation()
{
    Scene scene;
    DeclarativeScrollBar horizontal;
    DeclarativeScrollBar vertical;
    scene.add(&horizontal, QRectF(0, 0, 200, 16));
    scene.add(&vertical, QRectF(0, 20, 16, 200));
    vertical.setOrientation(QStringLiteral("vertical"));
    for (DeclarativeScrollBar *bar : {&horizontal, &vertical}) {
        bar->setMaximum(100);
        bar->setValue(100);
        scene.render(bar);
        // Along the bar: the groove lies between the arrows, the slider at
        // its far end.
        QVERIFY2(bar->grooveMinimum() > 0 && bar->grooveMaximum() < 199 && bar->grooveMaximum() > 150,
                 qPrintable(QStringLiteral("groove %1..%2").arg(bar->grooveMinimum()).arg(bar->grooveMaximum())));
        QCOMPARE(bar->sliderMaximum(), bar->grooveMaximum());
        QVERIFY(bar->sliderMinimum() > bar->grooveMinimum());
        bar->setParentItem(nullptr);
    }
    QCOMPARE(vertical.grooveMinimum(), horizontal.grooveMinimum());
    QCOMPARE(vertical.sliderMinimum(), horizontal.sliderMinimum());
}

void TestNativeWidgets::menuBuiltInOrder()
{
    DeclarativeMenu menu;
    DeclarativeMenuAction open;
    open.setText(QStringLiteral("&Open"));
    DeclarativeMenuAction separator;
    separator.setSeparator(true);
    separator.setText(QStringLiteral("never shown"));
    DeclarativeMenuAction disabled;
    disabled.setText(QStringLiteral("Disabled"));
    disabled.setEnabled(false);
    DeclarativeMenu more;
    more.setText(QStringLiteral("More"));
    more.setIcon(QStringLiteral("qrc:/qt-project.org/styles/commonstyle/images/up-16.png"));
    DeclarativeMenuAction deep;
    deep.setText(QStringLiteral("Deep"));
    DeclarativeMenuAction last;
    last.setText(QStringLiteral("Last"));

    append(more, {&deep});
    append(menu, {&open, &separator, &disabled, &more, &last});
    QCOMPARE(countOf(menu), 5);
    QCOMPARE(actionAt(menu, 3), &more);

    bool shown = false;
    whilePoppedUp([&] { menu.exec(); }, [&](QMenu *popup) {
        shown = true;
        QVERIFY(menu.isVisible());
        const QList<QAction *> entries = popup->actions();
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries[0]->text(), QStringLiteral("&Open"));
        QVERIFY(entries[0]->isEnabled());
        QVERIFY(entries[1]->isSeparator());
        QVERIFY(entries[1]->text().isEmpty());
        QCOMPARE(entries[2]->text(), QStringLiteral("Disabled"));
        QVERIFY(!entries[2]->isEnabled());
        QVERIFY(entries[3]->menu());
        QCOMPARE(entries[3]->menu()->title(), QStringLiteral("More"));
        QVERIFY(!entries[3]->icon().isNull());
        QCOMPARE(entries[3]->menu()->actions().size(), 1);
        QCOMPARE(entries[3]->menu()->actions().at(0)->text(), QStringLiteral("Deep"));
        QCOMPARE(entries[4]->text(), QStringLiteral("Last"));
    });
    QVERIFY(shown);
    QVERIFY(!menu.isVisible());
}

void TestNativeWidgets::iconRule_data()
{
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("loads");

    const QString resource = QString::fromLatin1(resourceImage);
    QTest::newRow("qrc:/ URL") << QStringLiteral("qrc") + resource << true;
    QTest::newRow("resource path") << resource << true;
    QTest::newRow("QRC:/ URL") << QStringLiteral("QRC") + resource << false;
    QTest::newRow("Qrc:/ URL") << QStringLiteral("Qrc") + resource << false;
    QTest::newRow("none") << QString() << false;
}

// "qrc:/" leads a resource URL; with any other letter case the string is a
// file name, and no such file exists.
void TestNativeWidgets::iconRule()
{
    QFETCH(QString, icon);
    QFETCH(bool, loads);
    if (!QFile::exists(QString::fromLatin1(resourceImage)))
        QSKIP("this Qt build has no commonstyle images among its resources");

    DeclarativeMenu menu;
    DeclarativeMenuAction entry;
    entry.setText(QStringLiteral("Entry"));
    entry.setIcon(icon);
    append(menu, {&entry});

    bool shown = false;
    whilePoppedUp([&] { menu.exec(); }, [&](QMenu *popup) {
        shown = true;
        QCOMPARE(popup->actions().size(), 1);
        const QIcon built = popup->actions().at(0)->icon();
        QCOMPARE(!built.isNull() && !built.pixmap(16, 16).isNull(), loads);
    });
    QVERIFY(shown);
}

void TestNativeWidgets::onlyChosenEntriesTrigger()
{
    DeclarativeMenu menu;
    DeclarativeMenuAction first;
    first.setText(QStringLiteral("First"));
    DeclarativeMenuAction separator;
    separator.setText(QStringLiteral("Separator"));
    separator.setSeparator(true);
    DeclarativeMenuAction second;
    second.setText(QStringLiteral("Second"));
    append(menu, {&first, &separator, &second});
    QSignalSpy firstTriggered(&first, &DeclarativeMenuAction::triggered);
    QSignalSpy separatorTriggered(&separator, &DeclarativeMenuAction::triggered);
    QSignalSpy secondTriggered(&second, &DeclarativeMenuAction::triggered);
    QSignalSpy visibility(&menu, &DeclarativeMenu::visibilityChanged);

    // A click on the separator closes the menu and chooses nothing.
    int shown = 0;
    whilePoppedUp([&] { menu.exec(); }, [&](QMenu *popup) {
        ++shown;
        QAction *line = popup->actions().at(1);
        QVERIFY(line->isSeparator());
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(line).center());
    });
    QCOMPARE(firstTriggered.count() + separatorTriggered.count() + secondTriggered.count(), 0);

    whilePoppedUp([&] { menu.exec(); }, [&](QMenu *popup) {
        ++shown;
        clickEntry(popup, "Second");
    });
    QCOMPARE(shown, 2);
    QCOMPARE(secondTriggered.count(), 1);
    QCOMPARE(firstTriggered.count(), 0);
    QCOMPARE(separatorTriggered.count(), 0);
    QCOMPARE(visibility.count(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(visibility.at(i).at(0).toBool(), i % 2 == 0);
}

void TestNativeWidgets::execWhileShownDoesNothing()
{
    DeclarativeMenu menu;
    DeclarativeMenuAction entry;
    entry.setText(QStringLiteral("Entry"));
    append(menu, {&entry});
    QSignalSpy visibility(&menu, &DeclarativeMenu::visibilityChanged);

    int shown = 0;
    for (int round = 0; round < 2; ++round) {
        whilePoppedUp([&] { menu.exec(); }, [&](QMenu *popup) {
            ++shown;
            // Returns at once, opening nothing and announcing nothing.
            menu.exec();
            menu.execAt(10, 10, nullptr);
            QCOMPARE(QApplication::activePopupWidget(), popup);
            QVERIFY(popup->isVisible());
            QCOMPARE(visibility.count(), 1);
        });
        QCOMPARE(visibility.count(), 2);
        visibility.clear();
    }
    // Once closed, the menu opens again.
    QCOMPARE(shown, 2);
}

void TestNativeWidgets::execAtPlacesTheMenu_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("no item") << "none";
    QTest::newRow("item in a QQuickView") << "view";
    QTest::newRow("item in a QQuickWidget") << "widget";
    QTest::newRow("item in no window") << "nowindow";
    QTest::newRow("exec at the mouse pointer") << "pointer";
}

void TestNativeWidgets::execAtPlacesTheMenu()
{
    QFETCH(QString, host);

    DeclarativeMenu menu;
    DeclarativeMenuAction entry;
    entry.setText(QStringLiteral("Entry"));
    append(menu, {&entry});

    QQuickItem item;
    item.setPosition(QPointF(30, 40));
    item.setSize(QSizeF(50, 20));
    QQuickView view;
    QQuickWidget widget;
    std::function<void()> open = [&] { menu.execAt(7, 20, &item); };
    QPoint expected;
    if (host == QLatin1String("none")) {
        open = [&] { menu.execAt(310, 220, nullptr); };
        expected = QPoint(310, 220);
    } else if (host == QLatin1String("nowindow")) {
        expected = QPoint(7, 20);
    } else if (host == QLatin1String("pointer")) {
        QCursor::setPos(330, 240);
        QTRY_COMPARE(QCursor::pos(), QPoint(330, 240));
        open = [&] { menu.exec(); };
        expected = QPoint(330, 240);
    } else {
        QWidget *shell = nullptr;
        if (host == QLatin1String("view")) {
            view.setGeometry(200, 150, 300, 200);
            item.setParentItem(view.contentItem());
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            expected = view.mapToGlobal(QPoint(37, 60));
        } else {
            widget.setGeometry(220, 170, 300, 200);
            item.setParentItem(widget.quickWindow()->contentItem());
            widget.show();
            shell = &widget;
            QVERIFY(QTest::qWaitForWindowExposed(shell));
            expected = shell->mapToGlobal(QPoint(37, 60));
        }
    }

    QPoint shownAt;
    whilePoppedUp(open, [&](QMenu *popup) { shownAt = popup->pos(); });
    QCOMPARE(shownAt, expected);
    item.setParentItem(nullptr);
}

void TestNativeWidgets::destroyedActionsDropOut()
{
    DeclarativeMenu menu;
    DeclarativeMenuAction kept;
    kept.setText(QStringLiteral("Kept"));
    auto *gone = new DeclarativeMenuAction;
    gone->setText(QStringLiteral("Gone"));
    append(menu, {gone, &kept, nullptr});
    QCOMPARE(countOf(menu), 2);
    delete gone;
    QCOMPARE(countOf(menu), 1);
    QCOMPARE(actionAt(menu, 0), &kept);
    QCOMPARE(actionAt(menu, 1), nullptr);

    QStringList texts;
    whilePoppedUp([&] { menu.exec(); }, [&](QMenu *popup) {
        for (const QAction *action : popup->actions())
            texts << action->text();
    });
    QCOMPARE(texts, QStringList{QStringLiteral("Kept")});
}

void TestNativeWidgets::menuListedInsideItself()
{
    DeclarativeMenu outer;
    DeclarativeMenu inner;
    inner.setText(QStringLiteral("Inner"));
    DeclarativeMenuAction entry;
    entry.setText(QStringLiteral("Entry"));
    append(outer, {&entry, &inner});
    append(inner, {&outer, &inner, &entry});

    int innerEntries = -1;
    whilePoppedUp([&] { outer.exec(); }, [&](QMenu *popup) {
        QCOMPARE(popup->actions().size(), 2);
        QVERIFY(popup->actions().at(1)->menu());
        innerEntries = int(popup->actions().at(1)->menu()->actions().size());
    });
    // Neither enclosing menu again, only the entry.
    QCOMPARE(innerEntries, 1);
}

// A choice may close the page that holds the menu, and so destroy it while
// its pop-up is still on the stack.
void TestNativeWidgets::choiceThatDestroysTheMenu()
{
    auto *menu = new DeclarativeMenu;
    QPointer<DeclarativeMenu> watched(menu);
    auto *entry = new DeclarativeMenuAction(menu);
    entry->setText(QStringLiteral("Close the page"));
    append(*menu, {entry});
    connect(entry, &DeclarativeMenuAction::triggered, menu, [menu] { delete menu; });

    QPointer<QMenu> popupShown;
    whilePoppedUp([&] { menu->exec(); }, [&](QMenu *popup) {
        popupShown = popup;
        clickEntry(popup, "Close the page");
    });
    QVERIFY(!watched);
    QVERIFY(popupShown.isNull() || !popupShown->isVisible());
    QTRY_VERIFY(popupShown.isNull());
}

QTEST_MAIN(TestNativeWidgets)
#include "tst_nativewidgets.moc"
