#include "app/alertframe.h"

#include "app/screencentre.h"

AlertFrame::AlertFrame(QWidget *parent)
    : QDialog(parent, {})
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

void AlertFrame::centerOnScreen()
{
    move(centredOnScreen(size()));
}
