// hivemend ls HIVE [KEYPATH]

#include "commands.h"
#include "hivemend/dump.h"
#include "hivemend/lookup.h"
#include "open.h"
#include "quiet.h"

int cmd_ls(const Args& args, const Options& opts) {
    if (args.empty() || args.size() > 2) return fail(2, "usage: hivemend ls HIVE [KEYPATH]");
    HivePtr h = open_for_reading(args[0], opts.quiet);
    if (!h) return 1;
    const std::string path = args.size() > 1 ? args[1] : "";
    int cell = 0;
    {
        Quiet q(opts.quiet);
        cell = trav_path(h.get(), 0, path.c_str(), LOOKUP_EXACT);
    }
    if (!cell) return fail(1, "key '" + path + "' not found in " + args[0]);
    nk_ls(h.get(), path.c_str(), 0);
    return 0;
}
