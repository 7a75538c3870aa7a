#include "registercursorarea.h"

#include "declarativecursorarea.h"

#include <QtQml/qqml.h>

void registerCursorArea()
{
    qmlRegisterType<DeclarativeCursorArea>("NativeQuickWidgets", 1, 0, "CursorArea");
}
