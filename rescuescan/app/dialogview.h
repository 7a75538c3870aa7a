#pragma once

#include <QPoint>
#include <QQuickWidget>

class QMouseEvent;

// The view that fills a frameless dialog (question, about, threat details,
// folder selector): shows the dialog's page, which draws the whole window,
// lets the user drag the dialog by the page's "topHeader" (or anywhere when
// the page has none), and closes only the dialog when the page calls
// Qt.quit(). Publishes itself to the page as "viewer".
class DialogView : public QQuickWidget
{
    Q_OBJECT

public:
    explicit DialogView(QWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint dragOrigin;
    bool dragging = false;
};
