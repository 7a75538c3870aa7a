#pragma once

#include <QDialog>

// Frameless, translucent modal dialog that hosts a content window's page
// (about, threat details, folder selector); the page draws the whole window.
class QNoFrameDialog : public QDialog
{
    Q_OBJECT

public:
    explicit QNoFrameDialog(QWidget *parent);

    void centerOnScreen();
};
