#pragma once

#include <QPoint>

class QQuickItem;

// Whether a left-button press at viewPos (view coordinates) starts dragging a
// frameless window showing the page rootObject: inside the page's item
// "topHeader" when it has one, anywhere when it has none.
bool pressStartsDrag(QQuickItem *rootObject, const QPoint &viewPos);
