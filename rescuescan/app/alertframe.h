#pragma once

#include <QDialog>

// Frameless, translucent modal dialog that hosts a question page; the page
// draws the whole window.
class AlertFrame : public QDialog
{
    Q_OBJECT

public:
    explicit AlertFrame(QWidget *parent);

    void centerOnScreen();
};
