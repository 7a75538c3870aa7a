#include <QApplication>
#include <QObject>
#include <QQmlEngine>
#include <QStyleFactory>
#include <QtQuickTest>

// The QML wrappers worked with real mouse and key events, the module loaded
// from its import folder and drawn by the Fusion style.
class NativeControlsSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral(NATIVEQUICKWIDGETS_IMPORT_DIR));
    }
};

// The test runner makes a QGuiApplication unless an application exists: the
// desktop style needs a QApplication.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    NativeControlsSetup setup;
    return quick_test_main_with_setup(argc, argv, "nativecontrols", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "tst_nativecontrols.moc"
