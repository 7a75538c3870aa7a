#include "widgets/declarativeprogressbar.h"

#include <QtGlobal>

DeclarativeProgressBar::DeclarativeProgressBar(QQuickItem *parent)
    : DeclarativeWidget(makeOption<QStyleOptionProgressBar>(), parent)
{
    auto &option = optionAs<QStyleOptionProgressBar>();
    // Qt 6 styles take a progress bar's orientation from State_Horizontal
    // alone; without it the bar would be drawn vertically.
    option.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = 100;
    option.progress = 0;
    option.text = QStringLiteral("0%");
    option.textVisible = true;
}

int DeclarativeProgressBar::minimum() const
{
    return optionAs<QStyleOptionProgressBar>().minimum;
}

void DeclarativeProgressBar::setMinimum(int minimum)
{
    optionAs<QStyleOptionProgressBar>().minimum = minimum;
    emit minimumChanged(minimum);
    update();
}

int DeclarativeProgressBar::maximum() const
{
    return optionAs<QStyleOptionProgressBar>().maximum;
}

void DeclarativeProgressBar::setMaximum(int maximum)
{
    optionAs<QStyleOptionProgressBar>().maximum = maximum;
    emit maximumChanged(maximum);
    update();
}

bool DeclarativeProgressBar::textVisible() const
{
    return optionAs<QStyleOptionProgressBar>().textVisible;
}

void DeclarativeProgressBar::setTextVisible(bool visible)
{
    optionAs<QStyleOptionProgressBar>().textVisible = visible;
    emit textVisibleChanged(visible);
    update();
}

int DeclarativeProgressBar::value() const
{
    return optionAs<QStyleOptionProgressBar>().progress;
}

void DeclarativeProgressBar::setValue(int value)
{
    auto &option = optionAs<QStyleOptionProgressBar>();
    option.progress = value;
    if (option.minimum <= value && value <= option.maximum && option.minimum < option.maximum) {
        // In 64 bits: a wide range overflows int, both in the span and in
        // the product with 100.
        const qint64 done = qint64(value) - option.minimum;
        const qint64 span = qint64(option.maximum) - option.minimum;
        option.text = QStringLiteral("%1%").arg(done * 100 / span);
    } else {
        option.text.clear();
    }
    emit valueChanged(value);
    update();
}

// QML sets declared properties in an order of its own: the text of a
// declared value follows the range declared with it.
void DeclarativeProgressBar::componentComplete()
{
    DeclarativeWidget::componentComplete();
    setValue(value());
}

void DeclarativeProgressBar::paint(QPainter *painter)
{
    if (QStyle *desktopStyle = style()) {
        const auto option = paintOption<QStyleOptionProgressBar>();
        desktopStyle->drawControl(QStyle::CE_ProgressBar, &option, painter);
    }
}
