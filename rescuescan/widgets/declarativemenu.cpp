#include "widgets/declarativemenu.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QQuickItem>

namespace {

// "qrc:/images/x.png" is the resource ":/images/x.png"; any other string
// (including "QRC:/...") is a file name as it stands.
QIcon iconFrom(const QString &icon)
{
    return QIcon(icon.startsWith(QLatin1String("qrc:/")) ? icon.mid(3) : icon);
}

DeclarativeMenu *menuOf(QQmlListProperty<DeclarativeMenuAction> *list)
{
    return static_cast<DeclarativeMenu *>(list->object);
}

} // namespace

DeclarativeMenu::DeclarativeMenu(QObject *parent)
    : DeclarativeMenuAction(parent)
{
}

DeclarativeMenu::~DeclarativeMenu()
{
    if (m_popup)
        m_popup->deleteLater();
}

QQmlListProperty<DeclarativeMenuAction> DeclarativeMenu::actions()
{
    return QQmlListProperty<DeclarativeMenuAction>(this, nullptr, &DeclarativeMenu::appendAction,
                                                   &DeclarativeMenu::actionCount,
                                                   &DeclarativeMenu::actionAt,
                                                   &DeclarativeMenu::clearActions);
}

void DeclarativeMenu::appendAction(QQmlListProperty<DeclarativeMenuAction> *list, DeclarativeMenuAction *action)
{
    if (action)
        menuOf(list)->m_actions.append(action);
}

qsizetype DeclarativeMenu::actionCount(QQmlListProperty<DeclarativeMenuAction> *list)
{
    return menuOf(list)->liveActions().size();
}

DeclarativeMenuAction *DeclarativeMenu::actionAt(QQmlListProperty<DeclarativeMenuAction> *list, qsizetype index)
{
    const auto &actions = menuOf(list)->liveActions();
    return index >= 0 && index < actions.size() ? actions.at(index).data() : nullptr;
}

void DeclarativeMenu::clearActions(QQmlListProperty<DeclarativeMenuAction> *list)
{
    menuOf(list)->m_actions.clear();
}

const QList<QPointer<DeclarativeMenuAction>> &DeclarativeMenu::liveActions() const
{
    m_actions.removeAll(nullptr);
    return m_actions;
}

bool DeclarativeMenu::isVisible() const
{
    return m_popup && m_popup->isVisible();
}

void DeclarativeMenu::exec()
{
    popUpAt(QCursor::pos());
}

void DeclarativeMenu::execAt(int x, int y, QQuickItem *item)
{
    QPoint position(x, y);
    if (item && item->window())
        position = item->mapToGlobal(QPointF(x, y)).toPoint();
    popUpAt(position);
}

void DeclarativeMenu::popUpAt(const QPoint &globalPosition)
{
    if (m_popup)
        return;
    auto *popup = new QMenu;
    m_popup = popup;
    QList<const DeclarativeMenu *> enclosing;
    fill(popup, enclosing);
    emit visibilityChanged(true);

    const QPointer<DeclarativeMenu> self(this);
    // The chosen action reaches QML through its own triggered() signal.
    popup->exec(globalPosition);
    // A choice may have destroyed this menu (say, by closing its page); its
    // destructor has scheduled the pop-up's deletion already.
    if (!self)
        return;
    emit visibilityChanged(false);
    popup->deleteLater();
    m_popup.clear();
}

void DeclarativeMenu::fill(QMenu *menu, QList<const DeclarativeMenu *> &enclosing) const
{
    enclosing.append(this);
    for (DeclarativeMenuAction *action : liveActions()) {
        if (auto *submenu = qobject_cast<DeclarativeMenu *>(action)) {
            if (!enclosing.contains(submenu))
                submenu->fill(menu->addMenu(iconFrom(submenu->icon()), submenu->text()), enclosing);
        } else if (action->separator()) {
            menu->addSeparator();
        } else {
            auto *entry = new QAction(iconFrom(action->icon()), action->text(), menu);
            entry->setEnabled(action->enabled());
            connect(entry, &QAction::triggered, action, &DeclarativeMenuAction::triggered);
            menu->addAction(entry);
        }
    }
    enclosing.removeLast();
}
