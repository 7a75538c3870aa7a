#include "ThreatRemoval.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <safetext/qsafetext.h>

namespace {

void logRemoval(bool removed, const QString& what)
{
    qDebug().noquote() << (removed ? QStringLiteral("remove: ") : QStringLiteral("remove failed: "))
            + safetext::escaped(what);
}

// Deletes one file that is not a link, read-only ones too. Owner-writable is
// what lets a read-only file go on the file systems the Windows drives are
// mounted with; a file that stays gets its permissions back.
bool deleteFile(const QString& file)
{
    const QFileInfo info(file);
    const QFile::Permissions before = QFile::permissions(file);
    QFile::setPermissions(file, QFile::WriteOwner);
    if (info.absoluteDir().remove(info.fileName()))
        return true;
    QFile::setPermissions(file, before);
    return false;
}

// The scan read the file a link points to: deleting only the link would
// leave the threat on the disk. So the file goes first, then the link; a
// link whose file is gone already has nothing left but itself.
bool removeLinkedThreat(const QFileInfo& link)
{
    const QString path = link.filePath();
    const QString target = link.canonicalFilePath();
    if (!target.isEmpty()) {
        const bool fileRemoved = QFileInfo(target).isFile() && deleteFile(target);
        logRemoval(fileRemoved, target + QStringLiteral(" (linked from ") + path + QLatin1Char(')'));
        if (!fileRemoved)
            return false;
    }
    const bool linkRemoved = link.absoluteDir().remove(link.fileName());
    logRemoval(linkRemoved, path);
    return !target.isEmpty() || linkRemoved;
}

} // namespace

bool removeThreatFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return removeLinkedThreat(info);
    const bool removed = deleteFile(info.absoluteFilePath());
    logRemoval(removed, path);
    return removed;
}
