#pragma once

#include "widgets/declarativewidget.h"

// A push button's frame as the style draws it; the label, the icon and the
// mouse handling belong to the QML wrapper laid over it.
class DeclarativeButton : public DeclarativeWidget
{
    Q_OBJECT
    Q_PROPERTY(bool menu READ menu WRITE setMenu NOTIFY menuChanged)
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)
    Q_PROPERTY(bool pressed READ pressed WRITE setPressed NOTIFY pressedChanged)

public:
    explicit DeclarativeButton(QQuickItem *parent = nullptr);

    bool menu() const;
    void setMenu(bool on);
    bool hovered() const;
    void setHovered(bool on);
    bool pressed() const;
    void setPressed(bool on);

    void paint(QPainter *painter) override;

signals:
    void menuChanged(bool on);
    void hoveredChanged(bool on);
    void pressedChanged(bool on);
};
