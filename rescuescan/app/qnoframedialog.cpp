#include "app/qnoframedialog.h"

#include "app/screencentre.h"

QNoFrameDialog::QNoFrameDialog(QWidget *parent)
    : QDialog(parent, {})
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

void QNoFrameDialog::centerOnScreen()
{
    move(centredOnScreen(size()));
}
