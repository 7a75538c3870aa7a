#include "app/mainwindowstart.h"
#include "app/qmlapplicationviewer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QmlApplicationViewer viewer;
    showMainWindow(viewer);
    return app.exec();
}
