// hivemend: a console tool over the hive engine for technicians and tests.

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "commands.h"
#include "safetext/safetext.h"

namespace {

const Command kCommands[] = {
    {"ls", "ls HIVE [KEYPATH]   list a key's subkeys and values (KEYPATH \\ or empty: the root)", cmd_ls},
    {"check",
     "check HIVE          walk every key, value and data block; status 0 only for a sound hive (a dirty "
     "hive: what recovery from its transaction logs applies)",
     cmd_check},
    {"recover",
     "recover HIVE OUT    write the hive as recovered from its transaction logs, complete and clean, to "
     "the new file OUT",
     cmd_recover},
    {"export", "export HIVE KEYPATH OUT.reg [--prefix PREFIX]   write a key tree as registry text", cmd_export},
    {"import",
     "import HIVE IN.reg [--prefix PREFIX]   read registry text into the hive; saved only when it all "
     "imported",
     cmd_import},
};

int usage() {
    fprintf(stderr, "usage: hivemend [--quiet] COMMAND ARGS...\n");
    for (const Command& c : kCommands) fprintf(stderr, "  hivemend %s\n", c.usage);
    return 2;
}

}  // namespace

int fail(int status, const std::string& reason) {
    fprintf(stderr, "hivemend: %s\n", safetext::escaped(reason).c_str());
    return status;
}

int main(int argc, char** argv) {
    Options opts;
    Args args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quiet") == 0) {
            opts.quiet = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            usage();
            return 0;
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.empty()) return usage();
    for (const Command& c : kCommands) {
        if (args[0] == c.name) return c.run(Args(std::next(args.begin()), args.end()), opts);
    }
    fail(2, "unknown command '" + args[0] + "'");
    return usage();
}
