#include "app/draghandle.h"

#include <QQuickItem>

bool pressStartsDrag(QQuickItem *rootObject, const QPoint &viewPos)
{
    const auto *header = rootObject
        ? rootObject->findChild<QQuickItem *>(QStringLiteral("topHeader"))
        : nullptr;
    if (!header)
        return true;
    return header->contains(header->mapFromScene(QPointF(viewPos)));
}
