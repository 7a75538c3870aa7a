#pragma once

#include <QQuickPaintedItem>
#include <QStyle>
#include <QStyleOption>

#include <memory>

// Base of the items that the desktop style draws. An item's whole look lives
// in one style option, created by the subclass and owned here: every property
// reads or writes a field or a state flag of it, and painting hands a copy of
// it, sized to the item, to the style.
class DeclarativeWidget : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(bool widgetEnabled READ widgetEnabled WRITE setWidgetEnabled NOTIFY widgetEnabledChanged)

public:
    ~DeclarativeWidget() override;

    bool widgetEnabled() const;
    void setWidgetEnabled(bool on);

signals:
    void widgetEnabledChanged(bool on);

protected:
    // QStyleOption has no virtual destructor: the pointer carries a deleter
    // of the subclass's own option type.
    using OptionPointer = std::unique_ptr<QStyleOption, void (*)(QStyleOption *)>;

    template <class Option>
    static OptionPointer makeOption()
    {
        return OptionPointer(new Option, [](QStyleOption *option) { delete static_cast<Option *>(option); });
    }

    // Takes the application's layout direction, font metrics and palette
    // into the option once; later changes of them are not followed.
    DeclarativeWidget(OptionPointer option, QQuickItem *parent);

    template <class Option>
    Option &optionAs() const
    {
        return *static_cast<Option *>(m_option.get());
    }

    // A copy of the option whose rect is the item's bounds, for the style.
    template <class Option>
    Option paintOption() const
    {
        Option copy = optionAs<Option>();
        copy.rect = boundingRect().toAlignedRect();
        return copy;
    }

    bool hasState(QStyle::StateFlag flag) const;
    void setState(QStyle::State flags, bool on);

    // The application's style. A host that runs a QGuiApplication has none:
    // then this is null (with one warning) and the items paint nothing.
    static QStyle *style();

private:
    OptionPointer m_option;
};
