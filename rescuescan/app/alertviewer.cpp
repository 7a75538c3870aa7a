#include "app/alertviewer.h"

#include <QDialog>

AlertViewer::AlertViewer(QWidget *parent)
    : DialogView(parent)
{
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
