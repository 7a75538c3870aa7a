#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The whole content of a file; empty when it cannot be read.
QByteArray fileBytes(const QString& path);

// A Windows 7 installation of the fixture as the rescue disk mounts it, in a
// temporary sysroot: the drive at mnt/sda1, the first entry of /windows
// (windows/C) linking to it, and three harmless threat files planted where
// malware puts them (read-only, as malware makes itself), with clean files
// after them in the order a scan walks.
class TestInstallation
{
public:
    explicit TestInstallation(int cleanFiles = 0);

    QString sysroot() const;
    QString drive() const;

    // Writes the threat files again (after a fix removed them) and returns
    // their paths as the scan reports them, in the order it finds them.
    QStringList plantThreats() const;
    QStringList threatFiles() const;

    // Hash signatures of the threats, for nimbixd.
    static QStringList signatures();

    // A hive file of the installation: "SOFTWARE", "SYSTEM"... or a user's
    // NTUSER.DAT ("Alice", "Bob").
    QString hive(const QString& name) const;
    QString userHive(const QString& user) const;

    // The damage a screen locker leaves: its payload as the Winlogon shell
    // and a debugger that redirects Task Manager to it (machine), Task
    // Manager disabled by policy (Alice).
    void plantRegistryDamage() const;

    // The rule database the program reads, /etc/registry.json.
    void installRules(const QByteArray& rules) const;
    // The repair rules the system ships.
    static QByteArray defaultRules();

private:
    QTemporaryDir dir;
};
