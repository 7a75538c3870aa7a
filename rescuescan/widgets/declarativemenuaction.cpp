#include "widgets/declarativemenuaction.h"

DeclarativeMenuAction::DeclarativeMenuAction(QObject *parent)
    : QObject(parent)
{
}

bool DeclarativeMenuAction::enabled() const
{
    return m_enabled;
}

void DeclarativeMenuAction::setEnabled(bool on)
{
    m_enabled = on;
    emit enabledChanged(on);
}

bool DeclarativeMenuAction::separator() const
{
    return m_separator;
}

void DeclarativeMenuAction::setSeparator(bool on)
{
    m_separator = on;
    emit separatorChanged(on);
}

QString DeclarativeMenuAction::text() const
{
    return m_text;
}

void DeclarativeMenuAction::setText(const QString &text)
{
    m_text = text;
    emit textChanged(text);
}

QString DeclarativeMenuAction::icon() const
{
    return m_icon;
}

void DeclarativeMenuAction::setIcon(const QString &icon)
{
    m_icon = icon;
    emit iconChanged(icon);
}
