#include "ScanCommand.h"

#include "DirectoryList.h"
#include "ScanConsole.h"
#include "ScanThread.h"
#include "SystemPaths.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <safetext/qsafetext.h>

#include <cstdio>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("rescuectl scan", text);
}

const char* const synopsis = "scan [--quick|--full|DIR...] [--remove]";

void printHelp()
{
    std::fputs(qPrintable(tr(
                   "usage: rescuectl scan [--quick|--full|DIR...] [--remove]\n"
                   "\n"
                   "Looks up every file of the targets with the online lookup service and lists\n"
                   "the threats found.\n"
                   "\n"
                   "  --quick   the Windows drive, %1 (the default)\n"
                   "  --full    every mounted drive, %2\n"
                   "  DIR...    these folders with their subfolders (a custom scan: symbolic\n"
                   "            links are not followed)\n"
                   "  --remove  delete the threat files once the scan has ended, read-only\n"
                   "            ones too\n"
                   "\n"
                   "RESCUESCAN_SYSROOT=DIR puts DIR in front of %1 and %2;\n"
                   "NIMBIX_SERVER=HOST[:PORT] names the lookup service.\n"
                   "Exit status: 0 every file checked and no threat, 1 threats found (or\n"
                   "removed) and every file checked, 2 failure or files that could not be\n"
                   "checked (the scan is incomplete: \"not checked\" is not \"clean\").\n")
                   .arg(SystemPaths::windowsPath(), SystemPaths::mountPath())),
               stdout);
}

int fail(const QString& message)
{
    std::fprintf(stderr, "rescuectl scan: %s\n", qPrintable(safetext::escaped(message)));
    return 2;
}

int runScan(const QStringList& arguments)
{
    enum class Kind { Quick, Full, Custom };
    Kind kind = Kind::Quick;
    bool kindGiven = false;
    bool remove = false;
    QStringList folders;
    bool onlyFolders = false;

    for (const QString& argument : arguments) {
        if (!onlyFolders && argument.startsWith(QLatin1Char('-'))) {
            if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
                printHelp();
                return 0;
            }
            if (argument == QLatin1String("--")) {
                onlyFolders = true;
                continue;
            }
            if (argument == QLatin1String("--remove")) {
                remove = true;
                continue;
            }
            const bool quick = argument == QLatin1String("--quick");
            if (!quick && argument != QLatin1String("--full"))
                return fail(tr("unknown option \"%1\" (see rescuectl scan --help)").arg(argument));
            if (kindGiven)
                return fail(tr("give one of --quick and --full"));
            kind = quick ? Kind::Quick : Kind::Full;
            kindGiven = true;
            continue;
        }
        folders << argument;
    }
    if (!folders.isEmpty()) {
        if (kindGiven)
            return fail(tr("give either --quick, --full or folders"));
        kind = Kind::Custom;
    }

    DirectoryList targets;
    if (kind == Kind::Custom) {
        for (const QString& folder : std::as_const(folders))
            targets.append(DirectoryEntry{QDir(folder), true});
    } else {
        targets.append(DirectoryEntry{
            QDir(kind == Kind::Quick ? SystemPaths::windowsPath() : SystemPaths::mountPath()), true});
    }
    // The worker drops a missing folder without a word: here a missing
    // target is a mistake to point out, not a clean result to report.
    for (const DirectoryEntry& target : std::as_const(targets)) {
        const QFileInfo info(target.dir.path());
        if (!info.isDir())
            return fail(info.exists() ? tr("not a folder: %1").arg(target.dir.path())
                                      : tr("no such folder: %1").arg(target.dir.path()));
    }

    ScanThread worker;
    worker.setCustomScan(kind == Kind::Custom);
    for (const DirectoryEntry& target : std::as_const(targets))
        worker.addTarget(target.dir, target.recursive);
    ScanConsole console(&worker, remove);
    worker.start();
    return QCoreApplication::exec();
}

} // namespace

const Subcommand scanSubcommand{"scan", synopsis, runScan};
