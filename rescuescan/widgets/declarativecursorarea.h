#pragma once

#include <QQuickItem>
#include <QString>

// Invisible item that gives the mouse cursor a shape, named by a short
// string, while the pointer is over it. Pages lay one over every clickable
// text or image with the shape "hand".
class DeclarativeCursorArea : public QQuickItem
{
    Q_OBJECT
    // Writes never emit the change signal: bindings on the shape are meant to
    // stay put once the page has set it.
    Q_PROPERTY(QString cursorShape READ cursorShape WRITE setCursorShape NOTIFY cursorShapeChanged)

public:
    explicit DeclarativeCursorArea(QQuickItem *parent = nullptr);

    QString cursorShape() const;
    Q_INVOKABLE void setCursorShape(const QString &shape);

signals:
    void cursorShapeChanged(const QString &shape);
};
