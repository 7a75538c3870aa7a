#include "app/contentwindow.h"

#include "app/qnoframedialog.h"

#include <QDebug>
#include <QQuickWidget>
#include <QUrl>

void runContentWindow(QNoFrameDialog &dialog, QQuickWidget &view, const QUrl &page)
{
    view.setSource(page);
    if (view.status() != QQuickWidget::Ready) {
        qWarning() << "page failed:" << page << view.errors();
        return;
    }
    dialog.resize(view.size());
    dialog.centerOnScreen();
    dialog.exec();
}
