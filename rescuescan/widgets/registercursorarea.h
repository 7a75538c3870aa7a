#pragma once

// Makes CursorArea known to QML as "NativeQuickWidgets" 1.0. Every page uses
// it, so the program and the tests call this before the first page loads: a
// page that cannot resolve the type fails to load, and a question window that
// fails to load answers "no".
void registerCursorArea();
