#pragma once

#include "widgets/declarativewidget.h"

// A horizontal progress bar with its percentage text, drawn by the style.
class DeclarativeProgressBar : public DeclarativeWidget
{
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum NOTIFY minimumChanged)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum NOTIFY maximumChanged)
    Q_PROPERTY(bool textVisible READ textVisible WRITE setTextVisible NOTIFY textVisibleChanged)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)

public:
    explicit DeclarativeProgressBar(QQuickItem *parent = nullptr);

    int minimum() const;
    // The text keeps the percentage of the last value written.
    void setMinimum(int minimum);
    int maximum() const;
    void setMaximum(int maximum);
    bool textVisible() const;
    void setTextVisible(bool visible);
    int value() const;
    // Stores the value as given, even outside the range; the text shows its
    // percentage of the range, or nothing when it lies outside or the range
    // is empty.
    void setValue(int value);

    void paint(QPainter *painter) override;

protected:
    void componentComplete() override;

signals:
    void minimumChanged(int minimum);
    void maximumChanged(int maximum);
    void textVisibleChanged(bool visible);
    void valueChanged(int value);
};
