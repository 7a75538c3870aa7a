#pragma once

#include "widgets/declarativewidget.h"

// A check box's indicator as the style draws it; the label and the mouse
// handling belong to the QML wrapper.
class DeclarativeCheckBox : public DeclarativeWidget
{
    Q_OBJECT
    Q_PROPERTY(bool checked READ checked WRITE setChecked NOTIFY checkedChanged)
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)

public:
    explicit DeclarativeCheckBox(QQuickItem *parent = nullptr);

    bool checked() const;
    void setChecked(bool on);
    bool hovered() const;
    void setHovered(bool on);

    void paint(QPainter *painter) override;

signals:
    void checkedChanged(bool on);
    void hoveredChanged(bool on);
};
