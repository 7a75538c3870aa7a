#include "QRepairModel.h"

#include "ItemStatus.h"
#include "QRepairItemInfo.h"

QRepairModel::QRepairModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

QRepairModel::~QRepairModel()
{
    qDeleteAll(items);
}

int QRepairModel::rowCount(const QModelIndex&) const
{
    return static_cast<int>(items.size());
}

QRepairItemInfo* QRepairModel::itemAt(int row) const
{
    return row >= 0 && row < items.size() ? items.at(row) : nullptr;
}

QVariant QRepairModel::data(const QModelIndex& index, int role) const
{
    const QRepairItemInfo* item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item)
        return QString();
    switch (role) {
    case DescriptionRole:
        return item->description();
    case StatusRole:
        return item->status();
    case RecordIndexRole:
        return item->recordIndex();
    default:
        return QString();
    }
}

bool QRepairModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    QRepairItemInfo* item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (role != StatusRole || !item)
        return QAbstractListModel::setData(index, value, role);
    item->setStatus(value.toInt());
    emit dataChanged(index, index);
    return true;
}

QHash<int, QByteArray> QRepairModel::roleNames() const
{
    return {{DescriptionRole, QByteArrayLiteral("description")},
            {StatusRole, QByteArrayLiteral("status")},
            {RecordIndexRole, QByteArrayLiteral("record_index")}};
}

void QRepairModel::addItem(QRepairItemInfo* item)
{
    int row = 0;
    if (item->status() == NoProblem) {
        row = rowCount();
        for (int i = 0; i < items.size(); ++i) {
            if (items.at(i)->status() == NoProblem) {
                row = i;
                break;
            }
        }
    }
    beginInsertRows(QModelIndex(), row, row);
    items.insert(row, item);
    endInsertRows();
}

void QRepairModel::clear()
{
    if (items.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), 0, rowCount() - 1);
    qDeleteAll(items);
    items.clear();
    endRemoveRows();
}
