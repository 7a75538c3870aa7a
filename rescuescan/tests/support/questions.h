#pragma once

#include "app/alertframe.h"
#include "app/alertviewer.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <functional>

class QQuickItem;
class QQuickWidget;

// An item of a page by its object name, its centre in the view, and a left
// click there as a person would give it.
QQuickItem *pageItem(QQuickWidget *view, const char *name);
QPoint centreOf(QQuickWidget *view, const char *name);
void clickItem(QQuickWidget *view, const char *name);

// What the view shows once the changes made so far are drawn: texts set a
// moment ago are laid out on the next frame, not on the one before.
QImage freshFrame(QQuickWidget *view);

// A question window on screen.
struct OpenQuestion
{
    AlertFrame *frame;
    AlertViewer *viewer;

    QQuickItem *item(const char *name) const;
    void click(const char *name) const;
    QString text() const;
};

using Ask = int (*)(QWidget *, const QString &, const QString &);

// Runs the question and calls act once its window is on screen; act must
// end the dialog.
int askWhile(Ask ask, QWidget *parent, const QString &title, const QString &content,
             const std::function<void(const OpenQuestion &)> &act);

// Runs code that asks a question (abort, exit, back), answers it by
// pressing YES or NO and hands out what the window said, so a test can check
// it. Returns whether a question came up.
bool answering(bool yes, const std::function<void()> &code, QString *asked = nullptr,
               const std::function<void(const OpenQuestion &)> &whileOpen = {});
