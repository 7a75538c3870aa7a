#pragma once

class QNoFrameDialog;
class QQuickWidget;
class QUrl;

// Shows page in view, sizes dialog to it, centres it on the screen and runs
// it modally. A page that fails to load shows nothing (with a warning)
// rather than an empty modal window nobody can close.
void runContentWindow(QNoFrameDialog &dialog, QQuickWidget &view, const QUrl &page);
