#pragma once

#include <QObject>
#include <QString>

// One entry of a pop-up menu, declared in QML. A shown menu turns it into a
// menu action and passes the user's choice on as triggered().
class DeclarativeMenuAction : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(bool separator READ separator WRITE setSeparator NOTIFY separatorChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    // An image path or URL; "qrc:/..." names a resource.
    Q_PROPERTY(QString icon READ icon WRITE setIcon NOTIFY iconChanged)

public:
    explicit DeclarativeMenuAction(QObject *parent = nullptr);

    bool enabled() const;
    void setEnabled(bool on);
    bool separator() const;
    void setSeparator(bool on);
    QString text() const;
    void setText(const QString &text);
    QString icon() const;
    void setIcon(const QString &icon);

signals:
    void enabledChanged(bool on);
    void separatorChanged(bool on);
    void textChanged(const QString &text);
    void iconChanged(const QString &icon);
    void triggered();

private:
    bool m_enabled = true;
    bool m_separator = false;
    QString m_text;
    QString m_icon;
};
