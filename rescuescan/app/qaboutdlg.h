#pragma once

#include "app/qthreatsdetails.h"

// The view of the about window; dragged anywhere, since its page has no
// header item.
class QAboutDlg : public QThreatsDetails
{
    Q_OBJECT

public:
    explicit QAboutDlg(QWidget *parent);
};
