#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>

class ThreatItem;

// The threats of the current or last scan, in the order they were found, as
// the threat list pages show them (roles "name" and "file", property count;
// both roles give the text as shown, control characters escaped).
class ThreatModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    // The numbers the pages were written against (user roles began at 32
    // when they were); Qt leaves them unused, so they stay.
    enum Roles {
        NameRole = 33,
        FileRole = 34,
    };

    explicit ThreatModel(QObject* parent = nullptr);
    ~ThreatModel() override;

    Q_INVOKABLE int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The item of a row, or null for a row outside the list.
    ThreatItem* threatAt(int row) const;

    // Takes ownership of the item.
    void appendThreat(ThreatItem* item);
    // Drops the item (the user trusts it); countChanged() follows even when
    // the item was not listed.
    void removeThreat(ThreatItem* item);
    // Drops a row while its file is removed. countChanged() is not emitted,
    // so a binding on count keeps the number from before the removal.
    void removeAt(int row);
    void clear();

signals:
    void countChanged();

private:
    QList<ThreatItem*> threats;
};
