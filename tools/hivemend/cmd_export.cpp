// hivemend export HIVE KEYPATH OUT.reg [--prefix PREFIX]

#include "commands.h"
#include "hivemend/lookup.h"
#include "hivemend/regtext.h"
#include "open.h"
#include "options.h"
#include "quiet.h"

int cmd_export(const Args& args, const Options& opts) {
    Args rest;
    std::string prefix;
    if (!take_prefix(args, &rest, &prefix) || rest.size() != 3)
        return fail(2, "usage: hivemend export HIVE KEYPATH OUT.reg [--prefix PREFIX]");
    HivePtr h = open_for_reading(rest[0], opts.quiet);
    if (!h) return 1;
    std::string error;
    int keys = 0;
    {
        Quiet q(opts.quiet);
        keys = export_key(h.get(), 0, rest[1].c_str(), rest[2].c_str(), prefix.c_str(), &error);
    }
    if (keys < 0) return fail(1, "export of " + rest[0] + " failed: " + error);
    return 0;
}
