#pragma once

#include <QAbstractListModel>
#include <QList>

class QRepairItemInfo;

// The items of a registry scan as the repair pages list them: problems
// first, the newest of each kind on top. Only the state of a row changes
// once it is listed.
class QRepairModel : public QAbstractListModel {
    Q_OBJECT

public:
    // The numbers the pages were written against (user roles began at 32
    // when they were); Qt leaves them unused, so they stay.
    enum Roles {
        DescriptionRole = 33,
        StatusRole = 34,
        RecordIndexRole = 35,
    };

    explicit QRepairModel(QObject* parent = nullptr);
    ~QRepairModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Only the status can be set.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QHash<int, QByteArray> roleNames() const override;

    // Takes ownership of the item.
    void addItem(QRepairItemInfo* item);
    void clear();

private:
    QRepairItemInfo* itemAt(int row) const;

    QList<QRepairItemInfo*> items;
};
