#include "app/fontfallbacks.h"
#include "widgets/registercursorarea.h"

#include <QObject>
#include <QQmlEngine>
#include <QtQuickTest>

// The controls need what the program sets up before its first page: the
// cursor area type and the font stand-ins.
class ControlsSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *)
    {
        registerCursorArea();
        installFontFallbacks();
    }
};

QUICK_TEST_MAIN_WITH_SETUP(controls, ControlsSetup)

#include "tst_controls.moc"
