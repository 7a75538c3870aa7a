// rescuectl: the rescue system's work from a console, for technicians and
// tests.

#include "RegistryCommand.h"
#include "ScanCommand.h"
#include "Subcommand.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const Subcommand* const subcommands[] = {
    &scanSubcommand,
    &registrySubcommand,
};

void printUsage(std::FILE* out)
{
    std::fputs(qPrintable(QCoreApplication::translate("rescuectl", "usage:\n")), out);
    for (const Subcommand* command : subcommands)
        std::fprintf(out, "  rescuectl %s\n", command->synopsis);
    std::fputs(qPrintable(QCoreApplication::translate(
                   "rescuectl", "Run \"rescuectl COMMAND --help\" for the details of a command.\n")),
               out);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rescuectl"));

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        printUsage(stderr);
        return 2;
    }
    const QString name = arguments.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        printUsage(stdout);
        return 0;
    }
    for (const Subcommand* command : subcommands) {
        if (name == QLatin1String(command->name))
            return command->run(arguments.mid(1));
    }
    std::fprintf(stderr, "%s\n",
                 qPrintable(QCoreApplication::translate("rescuectl", "rescuectl: unknown command \"%1\"")
                                .arg(name)));
    printUsage(stderr);
    return 2;
}
