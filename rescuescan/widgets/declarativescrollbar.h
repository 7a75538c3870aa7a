#pragma once

#include "widgets/declarativewidget.h"

#include <QRect>
#include <QString>

// A scroll bar drawn by the style. It also answers which of its parts lies
// under a point and where its groove and slider are, as of its last paint,
// so that the QML wrapper can drive it with the mouse. Parts are named
// "AddLine", "SubLine", "AddPage", "SubPage", "First", "Last", "Slider" and
// "Groove".
class DeclarativeScrollBar : public DeclarativeWidget
{
    Q_OBJECT
    Q_PROPERTY(QString orientation READ orientation WRITE setOrientation NOTIFY orientationChanged)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum NOTIFY minimumChanged)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum NOTIFY maximumChanged)
    Q_PROPERTY(int pageStep READ pageStep WRITE setPageStep NOTIFY pageStepChanged)
    Q_PROPERTY(int singleStep READ singleStep WRITE setSingleStep NOTIFY singleStepChanged)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)
    Q_PROPERTY(bool pressed READ pressed WRITE setPressed NOTIFY pressedChanged)
    // Edges along the bar (left and right, or top and bottom when vertical),
    // the far edge inclusive.
    Q_PROPERTY(int grooveMinimum READ grooveMinimum)
    Q_PROPERTY(int grooveMaximum READ grooveMaximum)
    Q_PROPERTY(int sliderMinimum READ sliderMinimum)
    Q_PROPERTY(int sliderMaximum READ sliderMaximum)

public:
    explicit DeclarativeScrollBar(QQuickItem *parent = nullptr);

    // "vertical" or "horizontal"; written in any letter case, other words
    // are ignored.
    QString orientation() const;
    void setOrientation(const QString &orientation);
    int minimum() const;
    // The value is not brought back into the range.
    void setMinimum(int min);
    int maximum() const;
    void setMaximum(int max);
    int pageStep() const;
    void setPageStep(int step);
    int singleStep() const;
    void setSingleStep(int step);
    int value() const;
    // Clamped to the range; with the minimum above the maximum, the maximum.
    // A value declared in QML is clamped to the range declared with it.
    void setValue(int val);
    bool hovered() const;
    void setHovered(bool on);
    bool pressed() const;
    void setPressed(bool on);

    int grooveMinimum() const;
    int grooveMaximum() const;
    int sliderMinimum() const;
    int sliderMaximum() const;

    // Highlights the named part (any letter case); an unknown name, none.
    Q_INVOKABLE void activateSubControl(const QString &subControl);
    // The name of the part under the point, or "" where there is none.
    Q_INVOKABLE QString hitTest(int mouseX, int mouseY) const;

    void paint(QPainter *painter) override;

protected:
    void componentComplete() override;

signals:
    void orientationChanged(const QString &orientation);
    void minimumChanged(int min);
    void maximumChanged(int max);
    void pageStepChanged(int step);
    void singleStepChanged(int step);
    void valueChanged(int val);
    void hoveredChanged(bool on);
    void pressedChanged(bool on);

private:
    QStyleOptionSlider &sliderOption() const;
    QRect subControlRect(QStyle::SubControl subControl) const;
    int lowEdge(const QRect &rect) const;
    int highEdge(const QRect &rect) const;

    // Where the bar was painted last; null (0, 0, -1, -1) until then.
    QRect m_paintedRect;
};
