#pragma once

#include "DirectoryList.h"

#include <QStandardItemModel>

// The folders a custom scan can take, with check boxes: loaded one level
// ahead of what the user has opened; checking a folder checks everything
// loaded below it, and a folder whose subfolders are checked only in part
// shows a partial check.
class QMyFileSystemModel : public QStandardItemModel {
    Q_OBJECT

public:
    // Where each folder's absolute path is kept (the number the selector was
    // written against; Qt leaves it unused).
    static constexpr int PathRole = 33;

    explicit QMyFileSystemModel(QObject* parent = nullptr);

    // One top-level row for each folder in path, each with its subfolders.
    void populateRoot(const QString& path);

    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // A checked folder stands for itself and everything below it; a partly
    // checked one is looked into; no folder is listed twice.
    DirectoryList checkedDirectories() const;

public slots:
    // Loads the level below each child of the folder just opened; what was
    // loaded there before is replaced, with its check states.
    void onExpanded(QModelIndex index);

private:
    void loadChildren(QStandardItem* item, const QString& dir);
    void collectChecked(const QStandardItem* item, DirectoryList* list) const;
};
