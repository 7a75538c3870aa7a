#include "modalwatch.h"

#include <QApplication>
#include <QTest>

ModalWatch::ModalWatch(Match match, Act act, bool repeat)
    : matches(std::move(match))
    , action(std::move(act))
    , repeating(repeat)
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &ModalWatch::poll);
    timer.start();
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, this, [this] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (matches(widget) && widget->isVisible())
                widget->close();
        }
    });
    safety.start(30000);
}

void ModalWatch::poll()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (!matches(widget) || !widget->isVisible())
            continue;
        if (!repeating)
            timer.stop();
        seenWindow = true;
        if (QTest::qWaitForWindowExposed(widget))
            action(widget);
        return;
    }
}
