#include "testinstallation.h"

#include "ScanFixtures.h"
#include "winfixture.h"

#include <QDir>
#include <QFile>

#include <string>

#include <stdexcept>

namespace {

struct Threat
{
    const char *path;  // below the drive
    const char *content;
    const char *name;
};

// In the order of a scan's walk: ProgramData, then Users.
const Threat threats[] = {
    {"ProgramData/Update/taskhost32.exe", "HARMLESS STAND-IN FOR A WORM", "Worm.Agent"},
    {"Users/Alice/AppData/Local/Temp/svch0st.exe", "HARMLESS STAND-IN FOR A LOCKER", "Trojan.Locker"},
    {"Users/Alice/AppData/Roaming/winlock.exe", "HARMLESS STAND-IN FOR RANSOMWARE", "Ransom.Winlock"},
};

} // namespace

TestInstallation::TestInstallation(int cleanFiles)
{
    if (!dir.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    winfixture::build(QFile::encodeName(drive()).toStdString());
    QDir().mkpath(dir.filePath(QStringLiteral("windows")));
    if (!QFile::link(QStringLiteral("../mnt/sda1"), dir.filePath(QStringLiteral("windows/C"))))
        throw std::runtime_error("cannot link windows/C");
    for (int i = 0; i < cleanFiles; ++i)
        ScanFixtures::writeFile(drive() + QStringLiteral("/Windows/Temp/cache/f%1.tmp").arg(i, 4, 10, QLatin1Char('0')),
                                QByteArray::number(i));
    plantThreats();
}

QString TestInstallation::sysroot() const
{
    return dir.path();
}

QString TestInstallation::drive() const
{
    return dir.filePath(QStringLiteral("mnt/sda1"));
}

QStringList TestInstallation::plantThreats() const
{
    for (const Threat &threat : threats) {
        const QString file = drive() + QLatin1Char('/') + QLatin1String(threat.path);
        QFile::remove(file);
        ScanFixtures::writeFile(file, threat.content);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return threatFiles();
}

QStringList TestInstallation::threatFiles() const
{
    QStringList files;
    for (const Threat &threat : threats)
        files << dir.filePath(QStringLiteral("windows/C/")) + QLatin1String(threat.path);
    return files;
}

QStringList TestInstallation::signatures()
{
    QStringList lines;
    for (const Threat &threat : threats)
        lines << ScanFixtures::signature(threat.content, QLatin1String(threat.name));
    return lines;
}

QString TestInstallation::hive(const QString &name) const
{
    return drive() + QStringLiteral("/Windows/System32/config/") + name;
}

QString TestInstallation::userHive(const QString &user) const
{
    return drive() + QStringLiteral("/Users/") + user + QStringLiteral("/NTUSER.DAT");
}

void TestInstallation::plantRegistryDamage() const
{
    constexpr int regSz = 1;
    constexpr int regDword = 4;
    const std::string software = QFile::encodeName(hive(QStringLiteral("SOFTWARE"))).toStdString();
    const std::string payload = "C:\\ProgramData\\WinUpdate\\svch0st.exe";
    winfixture::plant_value(software, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell", regSz,
                            winfixture::sz("explorer.exe," + payload));
    winfixture::plant_value(software, "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\taskmgr.exe",
                            "Debugger", regSz, winfixture::sz(payload));
    winfixture::plant_value(QFile::encodeName(userHive(QStringLiteral("Alice"))).toStdString(),
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "DisableTaskMgr",
                            regDword, winfixture::dword(1));
}

void TestInstallation::installRules(const QByteArray &rules) const
{
    ScanFixtures::writeFile(dir.filePath(QStringLiteral("etc/registry.json")), rules);
}

QByteArray TestInstallation::defaultRules()
{
    QFile file(QStringLiteral(RESCUE_DEFAULT_RULES));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the default rules");
    return file.readAll();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
