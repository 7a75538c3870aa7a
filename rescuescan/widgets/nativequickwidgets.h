#pragma once

#include <QQmlEngineExtensionPlugin>

// The QML module "NativeQuickWidgets" 1.0 as a plugin that any QML host
// loads on `import NativeQuickWidgets 1.0` (found through its qmldir on the
// engine's import path). The program itself does not load it: it registers
// only the cursor area, with registerCursorArea().
class NativeQuickWidgets : public QQmlEngineExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlEngineExtensionInterface_iid)

public:
    explicit NativeQuickWidgets(QObject *parent = nullptr);

    // Registers the module's eight types under "NativeQuickWidgets" 1.0,
    // whatever uri names: DeclarativeButton, DeclarativeCheckBox,
    // CursorArea, DeclarativeLineEdit, MenuAction, Menu,
    // DeclarativeProgressBar, DeclarativeScrollBar, in that order.
    static void registerTypes(const char *uri);
};
