#include "SystemPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace SystemPaths {

namespace {

// Read on every call rather than cached: tests and tools set the variable
// after start-up, and the cost is nothing next to what the paths are used for.
QString underSysroot(const QString& path)
{
    const QString sysroot = qEnvironmentVariable("RESCUESCAN_SYSROOT");
    if (sysroot.isEmpty())
        return path;
    return QDir::cleanPath(QDir(sysroot).absolutePath() + path);
}

} // namespace

QString windowsPath()
{
    return underSysroot(QStringLiteral("/windows"));
}

QString mountPath()
{
    return underSysroot(QStringLiteral("/mnt"));
}

QString registryRulesPath()
{
    return underSysroot(QStringLiteral("/etc/registry.json"));
}

QString windowsDrive()
{
    const QFileInfoList entries = QDir(windowsPath()).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    return entries.isEmpty() ? QString() : entries.first().absoluteFilePath();
}

QString makerSite()
{
    QString site = qEnvironmentVariable("RESCUESCAN_SITE");
    if (site.isEmpty())
        site = QStringLiteral("https://www.wardline.example");
    while (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return site;
}

} // namespace SystemPaths
