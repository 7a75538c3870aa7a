#include "widgets/declarativelineedit.h"

DeclarativeLineEdit::DeclarativeLineEdit(QQuickItem *parent)
    : DeclarativeWidget(makeOption<QStyleOptionFrame>(), parent)
{
    auto &option = optionAs<QStyleOptionFrame>();
    option.state = QStyle::State_Enabled | QStyle::State_Sunken;
    QStyle *desktopStyle = style();
    option.lineWidth = desktopStyle ? desktopStyle->pixelMetric(QStyle::PM_DefaultFrameWidth, &option) : 0;
    option.midLineWidth = 0;
    option.features = QStyleOptionFrame::None;
}

bool DeclarativeLineEdit::hovered() const
{
    return hasState(QStyle::State_MouseOver);
}

void DeclarativeLineEdit::setHovered(bool on)
{
    setState(QStyle::State_MouseOver, on);
    emit hoveredChanged(on);
    update();
}

bool DeclarativeLineEdit::editFocus() const
{
    return hasState(QStyle::State_HasFocus);
}

void DeclarativeLineEdit::setEditFocus(bool on)
{
    setState(QStyle::State_HasFocus, on);
    emit editFocusChanged(on);
    update();
}

bool DeclarativeLineEdit::readOnly() const
{
    return hasState(QStyle::State_ReadOnly);
}

void DeclarativeLineEdit::setReadOnly(bool on)
{
    setState(QStyle::State_ReadOnly, on);
    emit readOnlyChanged(on);
    update();
}

void DeclarativeLineEdit::paint(QPainter *painter)
{
    if (QStyle *desktopStyle = style()) {
        const auto option = paintOption<QStyleOptionFrame>();
        desktopStyle->drawPrimitive(QStyle::PE_PanelLineEdit, &option, painter);
    }
}
