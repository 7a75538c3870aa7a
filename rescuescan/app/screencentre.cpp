#include "app/screencentre.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

QPoint centredOnScreen(const QSize &windowSize)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect desktop = screen->geometry();
    return {desktop.x() + (desktop.width() - windowSize.width()) / 2,
            desktop.y() + (desktop.height() - windowSize.height()) / 2};
}
