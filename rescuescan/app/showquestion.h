#pragma once

#include <QString>

class QWidget;

// Modal yes/no question in a frameless window centred on the screen. Returns
// 1 when the user pressed YES and 0 for every other way the window ended.
int showQuestion(QWidget *parent, const QString &title, const QString &content);

// The same question on the wide page, for long texts.
int showWideQuestion(QWidget *parent, const QString &title, const QString &content);
