#include "app/fontfallbacks.h"
#include "widgets/declarativecursorarea.h"

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
        qmlRegisterType<DeclarativeCursorArea>("NativeQuickWidgets", 1, 0, "CursorArea");
        installFontFallbacks();
    }
};

QUICK_TEST_MAIN_WITH_SETUP(controls, ControlsSetup)

#include "tst_controls.moc"
