#include "widgets/nativequickwidgets.h"

#include "widgets/declarativebutton.h"
#include "widgets/declarativecheckbox.h"
#include "widgets/declarativecursorarea.h"
#include "widgets/declarativelineedit.h"
#include "widgets/declarativemenu.h"
#include "widgets/declarativemenuaction.h"
#include "widgets/declarativeprogressbar.h"
#include "widgets/declarativescrollbar.h"

#include <QQmlModuleRegistration>
#include <QtQml/qqml.h>

namespace {

constexpr char moduleUri[] = "NativeQuickWidgets";

void registerModule()
{
    NativeQuickWidgets::registerTypes(moduleUri);
}

// Qt calls this the first time an engine imports the module, once the
// plugin is loaded.
const QQmlModuleRegistration registration(moduleUri, registerModule);

} // namespace

NativeQuickWidgets::NativeQuickWidgets(QObject *parent)
    : QQmlEngineExtensionPlugin(parent)
{
}

void NativeQuickWidgets::registerTypes(const char *)
{
    qmlRegisterType<DeclarativeButton>(moduleUri, 1, 0, "DeclarativeButton");
    qmlRegisterType<DeclarativeCheckBox>(moduleUri, 1, 0, "DeclarativeCheckBox");
    qmlRegisterType<DeclarativeCursorArea>(moduleUri, 1, 0, "CursorArea");
    qmlRegisterType<DeclarativeLineEdit>(moduleUri, 1, 0, "DeclarativeLineEdit");
    qmlRegisterType<DeclarativeMenuAction>(moduleUri, 1, 0, "MenuAction");
    qmlRegisterType<DeclarativeMenu>(moduleUri, 1, 0, "Menu");
    qmlRegisterType<DeclarativeProgressBar>(moduleUri, 1, 0, "DeclarativeProgressBar");
    qmlRegisterType<DeclarativeScrollBar>(moduleUri, 1, 0, "DeclarativeScrollBar");
}
