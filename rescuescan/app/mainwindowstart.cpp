#include "app/mainwindowstart.h"

#include "app/fontfallbacks.h"
#include "app/qmlapplicationviewer.h"
#include "widgets/registercursorarea.h"

#include <QUrl>

void showMainWindow(QmlApplicationViewer &viewer)
{
    // Qt 6 reads and writes 8-bit text as UTF-8, the rescue system's locale,
    // so there is no text codec to install.
    installFontFallbacks();
    registerCursorArea();
    viewer.setSource(QUrl(QStringLiteral("qrc:/ui/qml/rsm.qml")));
    viewer.bindRootObject();
    viewer.centerOnScreen();
    viewer.show();
}
