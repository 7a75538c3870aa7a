#pragma once

#include "DirectoryList.h"

#include <QMutex>
#include <QThread>

#include <vector>

// Walks the targets of a scan and reports every file it finds, in a stable
// order: each listing sorted by name ignoring case, folders among the files
// and walked where they stand.
class EnumThread : public QThread {
    Q_OBJECT

public:
    // topLevelLinks: follow symbolic links in the first listing of each
    // target (quick and full scans); deeper listings never list them.
    EnumThread(const DirectoryList& targets, bool topLevelLinks, QObject* parent = nullptr);
    ~EnumThread() override;

    void stop();
    bool isStopped();

signals:
    void filefound(QString file);
    void enumFinished();

protected:
    void run() override;

private:
    struct FolderId {
        unsigned long long device;
        unsigned long long inode;
        bool operator==(const FolderId&) const = default;
    };

    void walk(QDir dir, bool recursive, int level);

    const DirectoryList targets;
    QMutex mutex;
    bool stopped = false;
    const bool topLevelLinks;
    // The folders of the branch being walked, so that a folder that contains
    // itself (a bind mount, a damaged file system) ends instead of recursing
    // without end.
    std::vector<FolderId> branch;
};
