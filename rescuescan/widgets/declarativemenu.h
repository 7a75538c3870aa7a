#pragma once

#include "widgets/declarativemenuaction.h"

#include <QList>
#include <QPointer>
#include <QQmlListProperty>

class QMenu;
class QPoint;
class QQuickItem;

// A pop-up menu declared in QML: its entries are actions, separators and
// further menus, which become submenus. exec() and execAt() show it and
// return once it has closed; a call while it is shown does nothing.
class DeclarativeMenu : public DeclarativeMenuAction
{
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<DeclarativeMenuAction> actions READ actions)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibilityChanged)
    Q_CLASSINFO("DefaultProperty", "actions")

public:
    explicit DeclarativeMenu(QObject *parent = nullptr);
    ~DeclarativeMenu() override;

    // In declaration order; the menu does not own them, and one that is
    // destroyed drops out of the list.
    QQmlListProperty<DeclarativeMenuAction> actions();
    bool isVisible() const;

    // Shows the menu at the mouse pointer.
    Q_INVOKABLE void exec();
    // Shows the menu at (x, y) in item's coordinates, or on the screen when
    // item is null or in no window.
    Q_INVOKABLE void execAt(int x, int y, QQuickItem *item);

signals:
    void visibilityChanged(bool on);

private:
    void popUpAt(const QPoint &globalPosition);
    // Fills menu from this menu's actions; menus already on the way down
    // from the top are left out, so that a menu listed inside itself
    // cannot recurse forever.
    void fill(QMenu *menu, QList<const DeclarativeMenu *> &enclosing) const;
    const QList<QPointer<DeclarativeMenuAction>> &liveActions() const;

    static void appendAction(QQmlListProperty<DeclarativeMenuAction> *list, DeclarativeMenuAction *action);
    static qsizetype actionCount(QQmlListProperty<DeclarativeMenuAction> *list);
    static DeclarativeMenuAction *actionAt(QQmlListProperty<DeclarativeMenuAction> *list, qsizetype index);
    static void clearActions(QQmlListProperty<DeclarativeMenuAction> *list);

    mutable QList<QPointer<DeclarativeMenuAction>> m_actions;
    QPointer<QMenu> m_popup;
};
