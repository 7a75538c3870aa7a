#include "EnumThread.h"

#include <QFileInfo>
#include <QMutexLocker>

#include <algorithm>

#include <sys/stat.h>

EnumThread::EnumThread(const DirectoryList& scanTargets, bool followTopLevelLinks, QObject* parent)
    : QThread(parent)
    , targets(scanTargets)
    , topLevelLinks(followTopLevelLinks)
{
}

EnumThread::~EnumThread()
{
    stop();
    wait();
}

void EnumThread::stop()
{
    QMutexLocker locker(&mutex);
    stopped = true;
}

bool EnumThread::isStopped()
{
    QMutexLocker locker(&mutex);
    return stopped;
}

void EnumThread::run()
{
    for (const DirectoryEntry& entry : targets) {
        if (isStopped())
            break;
        branch.clear();
        walk(entry.dir, entry.recursive, topLevelLinks ? 1 : 2);
    }
    emit enumFinished();
}

void EnumThread::walk(QDir dir, bool recursive, int level)
{
    if (!dir.exists())
        return;

    const QString path = dir.absolutePath();
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return;
    const FolderId id{static_cast<unsigned long long>(info.st_dev),
                      static_cast<unsigned long long>(info.st_ino)};
    // A link of the first listing may point back up the tree: it is walked,
    // once, since below it links are no longer listed. A folder that is its
    // own ancestor without a link is a loop in the file system itself.
    if (std::find(branch.begin(), branch.end(), id) != branch.end()
        && !QFileInfo(path).isSymLink())
        return;
    branch.push_back(id);

    QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot;
    if (level >= 2)
        filters |= QDir::NoSymLinks;
    if (recursive)
        filters |= QDir::Dirs;
    dir.setFilter(filters);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);

    const QFileInfoList entries = dir.entryInfoList();
    for (const QFileInfo& entry : entries) {
        if (isStopped())
            break;
        if (entry.isDir())
            walk(QDir(entry.absoluteFilePath()), true, level + 1);
        else
            emit filefound(QDir::toNativeSeparators(entry.absoluteFilePath()));
    }
    branch.pop_back();
}
