#include "CustomSelectorView.h"

#include <QDebug>
#include <QDialog>
#include <QQuickItem>

CustomSelectorView::CustomSelectorView(QWidget* parent)
    : DialogView(parent)
{
}

void CustomSelectorView::bindRootObject()
{
    QQuickItem* root = rootObject();
    connect(root, SIGNAL(close()), this, SLOT(onClose()));
    connect(root, SIGNAL(accept()), this, SLOT(onAccept()));
}

void CustomSelectorView::onClose()
{
    if (auto* dialog = qobject_cast<QDialog*>(parentWidget()))
        dialog->reject();
}

void CustomSelectorView::onAccept()
{
    qDebug() << "onAccept";
    if (auto* dialog = qobject_cast<QDialog*>(parentWidget()))
        dialog->accept();
}
