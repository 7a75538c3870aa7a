#include "widgets/declarativescrollbar.h"

#include <QPoint>
#include <QtGlobal>

namespace {

struct NamedSubControl
{
    QStyle::SubControl subControl;
    QLatin1StringView name;
};

constexpr NamedSubControl subControlNames[] = {
    {QStyle::SC_ScrollBarAddLine, QLatin1StringView("AddLine")},
    {QStyle::SC_ScrollBarSubLine, QLatin1StringView("SubLine")},
    {QStyle::SC_ScrollBarAddPage, QLatin1StringView("AddPage")},
    {QStyle::SC_ScrollBarSubPage, QLatin1StringView("SubPage")},
    {QStyle::SC_ScrollBarFirst, QLatin1StringView("First")},
    {QStyle::SC_ScrollBarLast, QLatin1StringView("Last")},
    {QStyle::SC_ScrollBarSlider, QLatin1StringView("Slider")},
    {QStyle::SC_ScrollBarGroove, QLatin1StringView("Groove")},
};

} // namespace

DeclarativeScrollBar::DeclarativeScrollBar(QQuickItem *parent)
    : DeclarativeWidget(makeOption<QStyleOptionSlider>(), parent)
{
    auto &option = sliderOption();
    // Qt 6 styles draw a scroll bar's arrows and slider by State_Horizontal:
    // a horizontal bar carries it from the start.
    option.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    option.subControls = QStyle::SC_All;
    option.activeSubControls = QStyle::SC_None;
    option.orientation = Qt::Horizontal;
    option.minimum = 0;
    option.maximum = 0;
    option.sliderPosition = 0;
    option.sliderValue = 0;
    option.singleStep = 1;
    option.pageStep = 10;
}

QStyleOptionSlider &DeclarativeScrollBar::sliderOption() const
{
    return optionAs<QStyleOptionSlider>();
}

QString DeclarativeScrollBar::orientation() const
{
    return sliderOption().orientation == Qt::Vertical ? QStringLiteral("vertical")
                                                      : QStringLiteral("horizontal");
}

void DeclarativeScrollBar::setOrientation(const QString &orientation)
{
    auto &option = sliderOption();
    if (orientation.compare(QLatin1String("vertical"), Qt::CaseInsensitive) == 0) {
        option.orientation = Qt::Vertical;
        setState(QStyle::State_Horizontal, false);
    } else if (orientation.compare(QLatin1String("horizontal"), Qt::CaseInsensitive) == 0) {
        option.orientation = Qt::Horizontal;
        setState(QStyle::State_Horizontal, true);
    } else {
        return;
    }
    emit orientationChanged(orientation);
    update();
}

int DeclarativeScrollBar::minimum() const
{
    return sliderOption().minimum;
}

void DeclarativeScrollBar::setMinimum(int min)
{
    sliderOption().minimum = min;
    emit minimumChanged(min);
    update();
}

int DeclarativeScrollBar::maximum() const
{
    return sliderOption().maximum;
}

void DeclarativeScrollBar::setMaximum(int max)
{
    sliderOption().maximum = max;
    emit maximumChanged(max);
    update();
}

int DeclarativeScrollBar::pageStep() const
{
    return sliderOption().pageStep;
}

void DeclarativeScrollBar::setPageStep(int step)
{
    sliderOption().pageStep = step;
    emit pageStepChanged(step);
    update();
}

int DeclarativeScrollBar::singleStep() const
{
    return sliderOption().singleStep;
}

void DeclarativeScrollBar::setSingleStep(int step)
{
    sliderOption().singleStep = step;
    emit singleStepChanged(step);
    update();
}

int DeclarativeScrollBar::value() const
{
    return sliderOption().sliderValue;
}

void DeclarativeScrollBar::setValue(int val)
{
    auto &option = sliderOption();
    // Not std::clamp: the maximum wins when the range is upside down. While
    // QML creates the item it sets the properties in an order of its own:
    // the value waits for the range, until componentComplete().
    const int stored = isComponentComplete() ? qMin(option.maximum, qMax(val, option.minimum)) : val;
    option.sliderPosition = stored;
    option.sliderValue = stored;
    emit valueChanged(stored);
    update();
}

void DeclarativeScrollBar::componentComplete()
{
    DeclarativeWidget::componentComplete();
    setValue(value());
}

bool DeclarativeScrollBar::hovered() const
{
    return hasState(QStyle::State_MouseOver);
}

void DeclarativeScrollBar::setHovered(bool on)
{
    setState(QStyle::State_MouseOver, on);
    emit hoveredChanged(on);
    update();
}

bool DeclarativeScrollBar::pressed() const
{
    return hasState(QStyle::State_Sunken);
}

void DeclarativeScrollBar::setPressed(bool on)
{
    setState(QStyle::State_Sunken, on);
    emit pressedChanged(on);
    update();
}

QRect DeclarativeScrollBar::subControlRect(QStyle::SubControl subControl) const
{
    QStyle *desktopStyle = style();
    if (!desktopStyle)
        return QRect();
    QStyleOptionSlider option = sliderOption();
    option.rect = m_paintedRect;
    return desktopStyle->subControlRect(QStyle::CC_ScrollBar, &option, subControl);
}

int DeclarativeScrollBar::lowEdge(const QRect &rect) const
{
    return sliderOption().orientation == Qt::Vertical ? rect.top() : rect.left();
}

int DeclarativeScrollBar::highEdge(const QRect &rect) const
{
    return sliderOption().orientation == Qt::Vertical ? rect.bottom() : rect.right();
}

int DeclarativeScrollBar::grooveMinimum() const
{
    return lowEdge(subControlRect(QStyle::SC_ScrollBarGroove));
}

int DeclarativeScrollBar::grooveMaximum() const
{
    return highEdge(subControlRect(QStyle::SC_ScrollBarGroove));
}

int DeclarativeScrollBar::sliderMinimum() const
{
    return lowEdge(subControlRect(QStyle::SC_ScrollBarSlider));
}

int DeclarativeScrollBar::sliderMaximum() const
{
    return highEdge(subControlRect(QStyle::SC_ScrollBarSlider));
}

void DeclarativeScrollBar::activateSubControl(const QString &subControl)
{
    QStyle::SubControls active = QStyle::SC_None;
    for (const NamedSubControl &entry : subControlNames) {
        if (subControl.compare(entry.name, Qt::CaseInsensitive) == 0)
            active = entry.subControl;
    }
    sliderOption().activeSubControls = active;
    update();
}

QString DeclarativeScrollBar::hitTest(int mouseX, int mouseY) const
{
    QStyle *desktopStyle = style();
    if (!desktopStyle)
        return QString();
    QStyleOptionSlider option = sliderOption();
    option.rect = m_paintedRect;
    const QStyle::SubControl hit =
        desktopStyle->hitTestComplexControl(QStyle::CC_ScrollBar, &option, QPoint(mouseX, mouseY));
    for (const NamedSubControl &entry : subControlNames) {
        if (entry.subControl == hit)
            return entry.name;
    }
    return QString();
}

void DeclarativeScrollBar::paint(QPainter *painter)
{
    const auto option = paintOption<QStyleOptionSlider>();
    m_paintedRect = option.rect;
    if (QStyle *desktopStyle = style())
        desktopStyle->drawComplexControl(QStyle::CC_ScrollBar, &option, painter);
}
