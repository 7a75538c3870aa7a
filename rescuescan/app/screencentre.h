#pragma once

#include <QPoint>
#include <QSize>

// Top-left position that centres a window of the given size on the primary
// screen; halves are truncated toward zero, so a window larger than the
// screen overhangs both edges alike.
QPoint centredOnScreen(const QSize &windowSize);
