#include "ThreatRemoval.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <safetext/qsafetext.h>

bool removeThreatFile(const QString& path)
{
    const QFileInfo info(path);
    QDir folder = info.absoluteDir();
    const QFile::Permissions before = QFile::permissions(info.absoluteFilePath());

    // Owner-writable is what lets a read-only file go on the file systems the
    // Windows drives are mounted with.
    QFile::setPermissions(info.absoluteFilePath(), QFile::WriteOwner);
    if (folder.remove(info.fileName())) {
        qDebug().noquote() << "remove: " + safetext::escaped(path);
        return true;
    }
    // The file stays: give it back the permissions it had.
    QFile::setPermissions(info.absoluteFilePath(), before);
    qDebug().noquote() << "remove failed: " + safetext::escaped(path);
    return false;
}
