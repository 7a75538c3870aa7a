#pragma once

#include "widgets/declarativewidget.h"

// The sunken frame of a line edit as the style draws it; the text input and
// its context menu belong to the QML wrapper.
class DeclarativeLineEdit : public DeclarativeWidget
{
    Q_OBJECT
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)
    Q_PROPERTY(bool editFocus READ editFocus WRITE setEditFocus NOTIFY editFocusChanged)
    Q_PROPERTY(bool readOnly READ readOnly WRITE setReadOnly NOTIFY readOnlyChanged)

public:
    explicit DeclarativeLineEdit(QQuickItem *parent = nullptr);

    bool hovered() const;
    void setHovered(bool on);
    bool editFocus() const;
    void setEditFocus(bool on);
    bool readOnly() const;
    void setReadOnly(bool on);

    void paint(QPainter *painter) override;

signals:
    void hoveredChanged(bool on);
    void editFocusChanged(bool on);
    void readOnlyChanged(bool on);
};
