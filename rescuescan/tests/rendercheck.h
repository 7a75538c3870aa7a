#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class QQuickItem;

// Facts about a rendered page that a person would notice.
namespace RenderCheck {

// Texts of every visible text item under root, in item order.
QStringList visibleTexts(QQuickItem *root);

// One line per visible item that sticks out of root, per visible text whose
// content does not fit its box (or is elided), and per visible image that did
// not load.
QStringList problems(QQuickItem *root);

// Writes image to the screenshot folder as <name>.png and returns its path.
QString saveScreenshot(const QImage &image, const QString &name);

} // namespace RenderCheck
