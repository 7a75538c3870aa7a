#include "QMyFileSystemModel.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Folders only, never "." and "..", never hidden ones, by name ignoring case.
QFileInfoList folders(const QString& dir)
{
    return QDir(dir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QStandardItem* folderItem(const QFileInfo& folder, Qt::CheckState state)
{
    auto* item = new QStandardItem(folder.fileName());
    item->setCheckable(true);
    item->setEditable(false);
    item->setCheckState(state);
    item->setData(folder.absoluteFilePath(), QMyFileSystemModel::PathRole);
    return item;
}

bool anyChildIn(const QStandardItem* parent, Qt::CheckState a, Qt::CheckState b)
{
    for (int row = 0; row < parent->rowCount(); ++row) {
        const Qt::CheckState state = parent->child(row)->checkState();
        if (state == a || state == b)
            return true;
    }
    return false;
}

} // namespace

QMyFileSystemModel::QMyFileSystemModel(QObject* parent)
    : QStandardItemModel(parent)
{
}

void QMyFileSystemModel::populateRoot(const QString& path)
{
    for (const QFileInfo& folder : folders(path)) {
        QStandardItem* item = folderItem(folder, Qt::Unchecked);
        loadChildren(item, folder.absoluteFilePath());
        appendRow(item);
    }
}

void QMyFileSystemModel::loadChildren(QStandardItem* item, const QString& dir)
{
    const QFileInfoList subfolders = folders(dir);
    item->removeRows(0, item->rowCount());
    for (const QFileInfo& folder : subfolders)
        item->appendRow(folderItem(folder, item->checkState()));
}

void QMyFileSystemModel::onExpanded(QModelIndex index)
{
    QStandardItem* item = itemFromIndex(index);
    if (!item)
        return;
    for (int row = 0; row < item->rowCount(); ++row) {
        QStandardItem* child = item->child(row);
        loadChildren(child, child->data(PathRole).toString());
    }
}

bool QMyFileSystemModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole)
        return QStandardItemModel::setData(index, value, role);
    QStandardItem* item = itemFromIndex(index);
    if (!item)
        return false;
    const auto state = static_cast<Qt::CheckState>(value.toInt());
    if (item->checkState() != state)
        item->setCheckState(state);

    if (state == Qt::Checked || state == Qt::Unchecked) {
        for (int row = 0; row < item->rowCount(); ++row) {
            QStandardItem* child = item->child(row);
            if (child->checkState() != state)
                setData(child->index(), state, Qt::CheckStateRole);
        }
    }

    if (QStandardItem* parentItem = item->parent()) {
        Qt::CheckState derived = Qt::PartiallyChecked;
        if (state == Qt::Checked)
            derived = anyChildIn(parentItem, Qt::Unchecked, Qt::PartiallyChecked) ? Qt::PartiallyChecked : Qt::Checked;
        else if (state == Qt::Unchecked)
            derived = anyChildIn(parentItem, Qt::Checked, Qt::PartiallyChecked) ? Qt::PartiallyChecked : Qt::Unchecked;
        if (state == Qt::Checked || state == Qt::Unchecked || state == Qt::PartiallyChecked)
            setData(parentItem->index(), derived, Qt::CheckStateRole);
    }

    emit dataChanged(index, index);
    return true;
}

DirectoryList QMyFileSystemModel::checkedDirectories() const
{
    DirectoryList list;
    const QStandardItem* root = invisibleRootItem();
    for (int row = 0; row < root->rowCount(); ++row)
        collectChecked(root->child(row), &list);
    return list;
}

void QMyFileSystemModel::collectChecked(const QStandardItem* item, DirectoryList* list) const
{
    switch (item->checkState()) {
    case Qt::Checked:
        list->append(DirectoryEntry{QDir(item->data(PathRole).toString()), true});
        break;
    case Qt::PartiallyChecked:
        for (int row = 0; row < item->rowCount(); ++row)
            collectChecked(item->child(row), list);
        break;
    default:
        break;
    }
}
