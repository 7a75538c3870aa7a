#pragma once

#include "app/dialogview.h"

// The view inside an AlertFrame: shows the question page and turns its YES
// and NO into the dialog's result.
class AlertViewer : public DialogView
{
    Q_OBJECT

public:
    explicit AlertViewer(QWidget *parent);

    Q_INVOKABLE void yes();
    Q_INVOKABLE void no();
};
