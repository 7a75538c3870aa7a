#pragma once

class QmlApplicationViewer;

// What the program does with its main window once the application exists:
// fonts and the QML types the pages need, the main page, the connections,
// the place in the middle of the screen, and showing it. Shared by main and
// the tests that run the program's window.
void showMainWindow(QmlApplicationViewer &viewer);
