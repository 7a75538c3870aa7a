#pragma once

#include <QDir>
#include <QList>
#include <QMetaType>

// One target of a scan: a folder, with or without its subfolders.
struct DirectoryEntry {
    QDir dir;
    // true: the folder and every folder below it; false: only the files
    // directly inside it.
    bool recursive = true;

    friend bool operator==(const DirectoryEntry& a, const DirectoryEntry& b)
    {
        return a.recursive == b.recursive && a.dir == b.dir;
    }
};

// The targets of one scan, in the order they are walked. Also what the
// folder selector of a custom scan hands over, so it travels through
// QVariant and invokable methods.
using DirectoryList = QList<DirectoryEntry>;

Q_DECLARE_METATYPE(DirectoryEntry)
Q_DECLARE_METATYPE(DirectoryList)
