#include "RegistryCommand.h"

#include "EngineOutput.h"
#include "HiveLogLines.h"
#include "SystemPaths.h"

#include "hivemend/CAppRegstry.h"
#include "hivemend/CRegFix.h"
#include "hivemend/CRegNtuser.h"
#include "hivemend/recovery.h"

#include <safetext/qsafetext.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("rescuectl registry", text);
}

const char* const synopsis = "registry [--root WINDIR] [--rules FILE] [--verbose] scan|repair|backup|restore";

void printHelp()
{
    std::fputs(qPrintable(tr(
                   "usage: rescuectl registry [--root WINDIR] [--rules FILE] [--verbose] ACTION\n"
                   "\n"
                   "Checks the registry of an offline Windows installation against the repair\n"
                   "rules, one line per section of the rules.\n"
                   "\n"
                   "  scan     the state of every section\n"
                   "  repair   back up every hive, scan, repair the sections with problems,\n"
                   "           then scan again\n"
                   "  backup   copy every hive file and its transaction logs to FILE.bhv beside\n"
                   "           them; a backup that exists is kept, so the backups hold the\n"
                   "           hives as they were first saved\n"
                   "  restore  copy the backups back over the hive files (and their logs)\n"
                   "\n"
                   "  --root WINDIR  the Windows drive (default: the first entry of %1)\n"
                   "  --rules FILE   the rule database (default: %2)\n"
                   "  --verbose      the hive engine's own messages on standard error, and a\n"
                   "                 line for each hive found dirty: recovered from its\n"
                   "                 transaction logs, or read as it is\n"
                   "\n"
                   "RESCUESCAN_SYSROOT=DIR puts DIR in front of %1 and %2.\n"
                   "Exit status: 0 no problem found (scan) or none left (repair) or done,\n"
                   "1 problems found or left, 2 failure (also when a section could not be\n"
                   "checked or repaired: a hive that cannot be read, is damaged or cannot be\n"
                   "written; the other sections are still checked and repaired).\n")
                   .arg(SystemPaths::windowsPath(), SystemPaths::registryRulesPath())),
               stdout);
}

int fail(const QString& message)
{
    std::fprintf(stderr, "rescuectl registry: %s\n", qPrintable(safetext::escaped(message)));
    return 2;
}

// The hive files of the installation that the backups cover and that hold
// a hive (one that cannot be read is never written, so it needs none).
std::vector<std::string> hiveFiles(const std::string& root)
{
    CAppRegstry layer;
    layer.SetHiveFileDriver(root.c_str());
    std::vector<std::string> files;
    char path[260];
    for (const int index : {0, 3, 4, 2, 1, 5}) {
        if (layer.GetHiveFile(index, path) == 0 && CRegNtuser::IsRegFile(path))
            files.emplace_back(path);
    }
    if (layer.GetHiveFile(8, path) == 0)
        CRegNtuser::GetUserHive(path, &files);
    return files;
}

QStringList withoutBackup(const std::vector<std::string>& files)
{
    QStringList missing;
    for (const std::string& file : files) {
        const QString hive = QString::fromLocal8Bit(file.c_str());
        if (!QFileInfo::exists(hive + QLatin1String(".bhv")))
            missing << hive;
    }
    return missing;
}

std::string sectionName(CRegFix& fix, unsigned index)
{
    char name[324] = {};
    fix.getItemInfo(index, name, sizeof name);
    return name;
}

class RegistryRun {
public:
    RegistryRun(CRegFix& engine, std::string windowsDrive, std::FILE* output)
        : fix(engine), root(std::move(windowsDrive)), out(output)
    {
    }

    int scan()
    {
        const std::vector<State> found = states(true);
        const int problems = count(found, State::Problem);
        const int failed = count(found, State::Failed);
        QString summary = tr("%1 of %2 sections with problems").arg(problems).arg(found.size());
        if (failed)
            summary += tr(", %1 could not be checked").arg(failed);
        std::fprintf(out, "%s\n", qPrintable(summary));
        return failed ? 2 : problems ? 1 : 0;
    }

    int repair()
    {
        if (const int status = backup(false))
            return status;
        const std::vector<State> found = states(true);
        // Every hive the repair would rewrite must be writable before the
        // first change, so that nothing is left half done.
        if (const std::string why = fix.WriteProblem(); !why.empty())
            return fail(tr("%1; nothing was changed").arg(QString::fromLocal8Bit(why.c_str())));
        int repaired = 0;
        int failed = 0;
        for (unsigned i = 0; i < found.size(); ++i) {
            if (found[i] == State::Ok)
                continue;
            const bool done = fix.Repair(i) != 0;
            (done ? repaired : failed)++;
            if (done)
                line(tr("repaired"), i);
            else
                line(tr("FAILED"), i, fix.GetItemError(i));
        }
        int left = 0;
        const std::vector<State> after = states(false);
        for (unsigned i = 0; i < after.size(); ++i) {
            if (after[i] != State::Problem)
                continue;
            ++left;
            line(tr("left"), i);
        }
        std::fprintf(out, "%s\n",
                     qPrintable(tr("%1 sections repaired, %2 failed, %3 with problems left")
                                    .arg(repaired)
                                    .arg(failed)
                                    .arg(left)));
        return failed ? 2 : left ? 1 : 0;
    }

    // With `report`, one line per hive's backup.
    int backup(bool report)
    {
        const bool allMade = fix.BakHiveFile() != 0;
        if (*fix.LastFailure())
            return fail(tr("%1; no backup was made, nothing was changed")
                            .arg(QString::fromLocal8Bit(fix.LastFailure())));
        const std::vector<std::string> files = hiveFiles(root);
        const QStringList missing = withoutBackup(files);
        if (!missing.isEmpty())
            return fail(tr("no backup of %1 (run with --verbose for the details); nothing was changed")
                            .arg(missing.join(QLatin1String(", "))));
        std::fprintf(out, "%s\n",
                     qPrintable(allMade ? tr("backup: every hive copied to a .bhv file beside it")
                                        : tr("backup: the backups that exist were kept (a backup is never "
                                             "replaced); every hive that can be read has one")));
        if (report) {
            for (const std::string& file : files) {
                std::fprintf(out, "  %s.bhv\n", safetext::escaped(file).c_str());
                for (const std::string& log : hive_log_files(file.c_str(), ".bhv"))
                    std::fprintf(out, "  %s\n", safetext::escaped(log).c_str());
            }
        }
        return 0;
    }

    int restore()
    {
        const QStringList missing = withoutBackup(hiveFiles(root));
        if (!missing.isEmpty())
            return fail(tr("no backup of %1; nothing was restored").arg(missing.join(QLatin1String(", "))));
        if (!fix.RestoreHiveFile()) {
            if (*fix.LastFailure())
                return fail(tr("%1; nothing was restored").arg(QString::fromLocal8Bit(fix.LastFailure())));
            return fail(tr("a hive could not be restored (run with --verbose for the details)"));
        }
        std::fprintf(out, "%s\n", qPrintable(tr("restore: every hive brought back from its backup")));
        return 0;
    }

private:
    enum class State { Ok, Problem, Failed };

    static int count(const std::vector<State>& states, State which)
    {
        return static_cast<int>(std::count(states.begin(), states.end(), which));
    }

    // Scans every section; with `print`, one line each. A section that could
    // not be judged is a failure with its reason, never "ok".
    std::vector<State> states(bool print)
    {
        std::vector<State> found;
        for (unsigned i = 0; i < fix.getCount(); ++i) {
            const bool problem = fix.getItemState(i) != 0;
            const char* error = fix.GetItemError(i);
            found.push_back(*error ? State::Failed : problem ? State::Problem : State::Ok);
            if (!print)
                continue;
            if (found.back() == State::Failed)
                line(tr("FAILED"), i, error);
            else
                line(problem ? tr("problem") : tr("ok"), i);
        }
        return found;
    }

    void line(const QString& state, unsigned index, const char* reason = "")
    {
        std::string text = sectionName(fix, index);
        if (*reason)
            text += std::string(": ") + reason;
        std::fprintf(out, "%-9s %s\n", qPrintable(state), safetext::escaped(text).c_str());
    }

    CRegFix& fix;
    std::string root;
    std::FILE* out;
};

int runRegistry(const QStringList& arguments)
{
    QString root;
    QString rules = SystemPaths::registryRulesPath();
    QString action;
    bool verbose = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            printHelp();
            return 0;
        }
        if (argument == QLatin1String("--verbose")) {
            verbose = true;
        } else if (argument == QLatin1String("--root") || argument == QLatin1String("--rules")) {
            if (i + 1 == arguments.size())
                return fail(tr("%1 needs a value (see rescuectl registry --help)").arg(argument));
            (argument == QLatin1String("--root") ? root : rules) = arguments[++i];
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return fail(tr("unknown option \"%1\" (see rescuectl registry --help)").arg(argument));
        } else if (!action.isEmpty()) {
            return fail(tr("give one action: scan, repair, backup or restore"));
        } else {
            action = argument;
        }
    }
    static const QStringList actions = {QStringLiteral("scan"), QStringLiteral("repair"), QStringLiteral("backup"),
                                        QStringLiteral("restore")};
    if (!actions.contains(action))
        return fail(action.isEmpty() ? tr("give one action: scan, repair, backup or restore")
                                     : tr("unknown action \"%1\" (scan, repair, backup or restore)").arg(action));
    if (root.isEmpty()) {
        root = SystemPaths::windowsDrive();
        if (root.isEmpty())
            return fail(tr("no Windows drive in %1 (empty or unreadable); give one with --root")
                            .arg(SystemPaths::windowsPath()));
    }

    const std::string rootPath = root.toLocal8Bit().toStdString();
    EngineOutput output(verbose);
    CRegFix fix;
    try {
        fix.SetHiveFileDriver(rootPath.c_str());
    } catch (const std::exception& e) {
        return fail(tr("no Windows installation at %1: %2").arg(root, QString::fromLocal8Bit(e.what())));
    }
    const bool needsRules = action == QLatin1String("scan") || action == QLatin1String("repair");
    if (needsRules) {
        try {
            fix.LoadRuleDB(rules.toLocal8Bit().constData());
        } catch (const std::exception& e) {
            return fail(tr("bad rule database: %1").arg(QString::fromLocal8Bit(e.what())));
        }
    }
    try {
        RegistryRun run(fix, rootPath, stdout);
        const auto namingHives = [&](int status) {
            if (verbose)
                printHiveLogStates(fix, stdout);
            return status;
        };
        if (action == QLatin1String("scan"))
            return namingHives(run.scan());
        if (action == QLatin1String("repair"))
            return namingHives(run.repair());
        if (action == QLatin1String("backup"))
            return run.backup(true);
        return run.restore();
    } catch (const std::exception& e) {
        // A hive that cannot be read: what was judged of it so far is no verdict.
        return fail(tr("%1 failed: %2").arg(action, QString::fromLocal8Bit(e.what())));
    }
}

} // namespace

const Subcommand registrySubcommand{"registry", synopsis, runRegistry};
