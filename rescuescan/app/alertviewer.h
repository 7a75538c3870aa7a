#pragma once

#include <QPoint>
#include <QQuickWidget>

class QMouseEvent;

// The view inside an AlertFrame: shows the question page, turns its YES and
// NO into the dialog's result and lets the user drag the frameless window.
class AlertViewer : public QQuickWidget
{
    Q_OBJECT

public:
    explicit AlertViewer(QWidget *parent);

    Q_INVOKABLE void yes();
    Q_INVOKABLE void no();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint dragOrigin;
    bool dragging = false;
};
