#include "widgets/declarativebutton.h"

DeclarativeButton::DeclarativeButton(QQuickItem *parent)
    : DeclarativeWidget(makeOption<QStyleOptionButton>(), parent)
{
    auto &option = optionAs<QStyleOptionButton>();
    option.state = QStyle::State_Enabled | QStyle::State_Raised;
    option.features = QStyleOptionButton::None;
}

bool DeclarativeButton::menu() const
{
    return optionAs<QStyleOptionButton>().features.testFlag(QStyleOptionButton::HasMenu);
}

void DeclarativeButton::setMenu(bool on)
{
    optionAs<QStyleOptionButton>().features.setFlag(QStyleOptionButton::HasMenu, on);
    emit menuChanged(on);
    update();
}

bool DeclarativeButton::hovered() const
{
    return hasState(QStyle::State_MouseOver);
}

void DeclarativeButton::setHovered(bool on)
{
    setState(QStyle::State_MouseOver, on);
    emit hoveredChanged(on);
    update();
}

bool DeclarativeButton::pressed() const
{
    return hasState(QStyle::State_Sunken);
}

// Pressing sinks the button without lowering it; releasing raises it again.
void DeclarativeButton::setPressed(bool on)
{
    if (on) {
        setState(QStyle::State_Sunken, true);
    } else {
        setState(QStyle::State_Raised, true);
        setState(QStyle::State_Sunken, false);
    }
    emit pressedChanged(on);
    update();
}

void DeclarativeButton::paint(QPainter *painter)
{
    if (QStyle *desktopStyle = style()) {
        const auto option = paintOption<QStyleOptionButton>();
        desktopStyle->drawControl(QStyle::CE_PushButton, &option, painter);
    }
}
