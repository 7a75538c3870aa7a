#include "app/dialogview.h"

#include "app/draghandle.h"

#include <QMouseEvent>
#include <QQmlContext>
#include <QQmlEngine>

DialogView::DialogView(QWidget *parent)
    : QQuickWidget(parent)
{
    if (parent)
        connect(engine(), &QQmlEngine::quit, parent, &QWidget::close);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint);
    setAutoFillBackground(false);
    setClearColor(Qt::transparent);
    rootContext()->setContextProperty(QStringLiteral("viewer"), this);
}

void DialogView::mousePressEvent(QMouseEvent *event)
{
    QQuickWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        dragOrigin = event->position().toPoint();
        dragging = pressStartsDrag(rootObject(), dragOrigin);
    }
}

void DialogView::mouseReleaseEvent(QMouseEvent *event)
{
    QQuickWidget::mouseReleaseEvent(event);
    dragging = false;
}

void DialogView::mouseMoveEvent(QMouseEvent *event)
{
    QQuickWidget::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && dragging && parentWidget())
        parentWidget()->move(event->globalPosition().toPoint() - dragOrigin);
}
