#include "widgets/declarativewidget.h"

#include <QApplication>
#include <QFontMetrics>
#include <QtGlobal>

#include <atomic>

DeclarativeWidget::DeclarativeWidget(OptionPointer option, QQuickItem *parent)
    : QQuickPaintedItem(parent)
    , m_option(std::move(option))
{
    m_option->direction = QGuiApplication::layoutDirection();
    m_option->fontMetrics = QFontMetrics(QGuiApplication::font());
    m_option->palette = QGuiApplication::palette();
}

DeclarativeWidget::~DeclarativeWidget() = default;

bool DeclarativeWidget::widgetEnabled() const
{
    return hasState(QStyle::State_Enabled);
}

void DeclarativeWidget::setWidgetEnabled(bool on)
{
    setState(QStyle::State_Enabled, on);
    emit widgetEnabledChanged(on);
    update();
}

bool DeclarativeWidget::hasState(QStyle::StateFlag flag) const
{
    return m_option->state.testFlag(flag);
}

void DeclarativeWidget::setState(QStyle::State flags, bool on)
{
    if (on)
        m_option->state |= flags;
    else
        m_option->state &= ~flags;
}

QStyle *DeclarativeWidget::style()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QApplication::style();
    static std::atomic_bool warned = false;
    if (!warned.exchange(true))
        qWarning("NativeQuickWidgets: the desktop style needs a QApplication; the widgets paint nothing");
    return nullptr;
}
