#include "widgets/declarativecheckbox.h"

DeclarativeCheckBox::DeclarativeCheckBox(QQuickItem *parent)
    : DeclarativeWidget(makeOption<QStyleOptionButton>(), parent)
{
    optionAs<QStyleOptionButton>().state = QStyle::State_Enabled | QStyle::State_Off;
}

bool DeclarativeCheckBox::checked() const
{
    return hasState(QStyle::State_On);
}

void DeclarativeCheckBox::setChecked(bool on)
{
    setState(QStyle::State_On, on);
    setState(QStyle::State_Off, !on);
    emit checkedChanged(on);
    update();
}

bool DeclarativeCheckBox::hovered() const
{
    return hasState(QStyle::State_MouseOver);
}

void DeclarativeCheckBox::setHovered(bool on)
{
    setState(QStyle::State_MouseOver, on);
    emit hoveredChanged(on);
    update();
}

void DeclarativeCheckBox::paint(QPainter *painter)
{
    if (QStyle *desktopStyle = style()) {
        const auto option = paintOption<QStyleOptionButton>();
        desktopStyle->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, painter);
    }
}
