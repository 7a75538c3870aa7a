#include "app/qaboutdlg.h"

QAboutDlg::QAboutDlg(QWidget *parent)
    : QThreatsDetails(parent)
{
}
