#include "popupwatch.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

QMenu *shownMenu()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

void closeAll()
{
    while (QMenu *menu = shownMenu())
        menu->close();
}

} // namespace

void whilePoppedUp(const std::function<void()> &open, const std::function<void(QMenu *)> &act)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QMenu *menu = shownMenu();
        if (!menu)
            return;
        poll.stop();
        if (QTest::qWaitForWindowExposed(menu))
            act(menu);
        if (shownMenu())
            QTest::keyClick(shownMenu(), Qt::Key_Escape);
        closeAll();
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &closeAll);
    poll.start();
    safety.start(30000);
    open();
}

void clickEntry(QMenu *menu, const char *text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == QLatin1String(text)) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("the menu has no entry \"%1\"").arg(QLatin1String(text))));
}
