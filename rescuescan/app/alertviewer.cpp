#include "app/alertviewer.h"

#include "app/draghandle.h"

#include <QDialog>
#include <QMouseEvent>
#include <QQmlContext>
#include <QQmlEngine>

AlertViewer::AlertViewer(QWidget *parent)
    : QQuickWidget(parent)
{
    // Qt.quit() on a question page closes this dialog, never the program.
    if (parent)
        connect(engine(), &QQmlEngine::quit, parent, &QWidget::close);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint);
    setAutoFillBackground(false);
    setClearColor(Qt::transparent);
    rootContext()->setContextProperty(QStringLiteral("viewer"), this);
}

void AlertViewer::yes()
{
    if (auto *dialog = qobject_cast<QDialog *>(parentWidget()))
        dialog->accept();
}

void AlertViewer::no()
{
    if (auto *dialog = qobject_cast<QDialog *>(parentWidget()))
        dialog->reject();
}

void AlertViewer::mousePressEvent(QMouseEvent *event)
{
    QQuickWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        dragOrigin = event->position().toPoint();
        dragging = pressStartsDrag(rootObject(), dragOrigin);
    }
}

void AlertViewer::mouseReleaseEvent(QMouseEvent *event)
{
    QQuickWidget::mouseReleaseEvent(event);
    dragging = false;
}

void AlertViewer::mouseMoveEvent(QMouseEvent *event)
{
    QQuickWidget::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && dragging && parentWidget())
        parentWidget()->move(event->globalPosition().toPoint() - dragOrigin);
}
