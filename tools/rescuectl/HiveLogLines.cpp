#include "HiveLogLines.h"

#include "hivemend/CRegFix.h"
#include "hivemend/recovery.h"

#include <safetext/qsafetext.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("rescuectl registry", text);
}

QString logsUsed(const HiveRecovery& state)
{
    QStringList names;
    for (const HiveLogReport& log : state.logs) {
        if (log.entries)
            names << QFileInfo(QString::fromLocal8Bit(log.file.c_str())).fileName();
    }
    return names.join(QLatin1String(", "));
}

} // namespace

void printHiveLogStates(CRegFix& fix, std::FILE* out)
{
    for (const auto& [file, state] : fix.HiveLogStates()) {
        const QString hive = QString::fromLocal8Bit(file.c_str());
        QString label;
        QString text;
        if (state.state == HIVE_LOGS_RECOVERED) {
            label = tr("recovered");
            text = tr("%1: dirty, recovered from its transaction logs %2 (%3 entries, %4 pages)")
                       .arg(hive, logsUsed(state))
                       .arg(state.entries)
                       .arg(state.pages);
        } else if (state.state == HIVE_LOGS_UNUSABLE) {
            label = tr("dirty");
            text = tr("%1: dirty, no usable transaction log; read as it is, and may hold less than Windows last saw")
                       .arg(hive);
        } else {
            continue;
        }
        std::fprintf(out, "%-9s %s\n", qPrintable(label), qPrintable(safetext::escaped(text)));
    }
}
