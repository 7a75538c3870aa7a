#include "ThreatModel.h"

#include "ThreatItem.h"

#include <safetext/qsafetext.h>

#include <QDebug>

ThreatModel::ThreatModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

ThreatModel::~ThreatModel()
{
    qDeleteAll(threats);
}

int ThreatModel::rowCount(const QModelIndex&) const
{
    return static_cast<int>(threats.size());
}

QVariant ThreatModel::data(const QModelIndex& index, int role) const
{
    const ThreatItem* item = threatAt(index.row());
    if (!item || !index.isValid())
        return QString();
    // Names and paths come from the disk and the lookup service: the pages
    // show them escaped. Removal takes the item's own path, never this text.
    switch (role) {
    case NameRole:
        return safetext::escaped(item->name());
    case FileRole:
        return safetext::escaped(item->file());
    default:
        return QString();
    }
}

QHash<int, QByteArray> ThreatModel::roleNames() const
{
    return {{NameRole, QByteArrayLiteral("name")}, {FileRole, QByteArrayLiteral("file")}};
}

ThreatItem* ThreatModel::threatAt(int row) const
{
    if (row < 0 || row >= threats.size())
        return nullptr;
    return threats.at(row);
}

void ThreatModel::appendThreat(ThreatItem* item)
{
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    threats.append(item);
    endInsertRows();
    emit countChanged();
}

void ThreatModel::removeThreat(ThreatItem* item)
{
    const qsizetype row = threats.indexOf(item);
    if (row < 0) {
        emit countChanged();
        return;
    }
    qDebug().nospace() << "find index: " << row;
    const int at = static_cast<int>(row);
    beginRemoveRows(QModelIndex(), at, at);
    threats.removeAt(row);
    endRemoveRows();
    delete item;
    emit countChanged();
}

void ThreatModel::removeAt(int row)
{
    ThreatItem* item = threatAt(row);
    if (!item)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    threats.removeAt(row);
    endRemoveRows();
    delete item;
}

void ThreatModel::clear()
{
    const bool announce = !threats.isEmpty();
    if (announce)
        beginRemoveRows(QModelIndex(), 0, rowCount() - 1);
    qDeleteAll(threats);
    threats.clear();
    if (announce)
        endRemoveRows();
    emit countChanged();
}
