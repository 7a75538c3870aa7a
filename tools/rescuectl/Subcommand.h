#pragma once

#include <QStringList>

// One "rescuectl NAME ..." command: main() picks it by name and hands it the
// arguments after the name. Each lives in its own file and returns the exit
// status of the program.
struct Subcommand {
    const char* name;
    const char* synopsis;  // one usage line, without "rescuectl "
    int (*run)(const QStringList& arguments);
};
