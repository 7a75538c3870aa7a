// hivemend import HIVE IN.reg [--prefix PREFIX]

#include "commands.h"
#include "hivemend/hive.h"
#include "hivemend/regtext.h"
#include "open.h"
#include "options.h"
#include "quiet.h"

int cmd_import(const Args& args, const Options& opts) {
    Args rest;
    std::string prefix;
    if (!take_prefix(args, &rest, &prefix) || rest.size() != 2)
        return fail(2, "usage: hivemend import HIVE IN.reg [--prefix PREFIX]");
    HivePtr h = open_for_writing(rest[0], opts.quiet);
    if (!h) return 1;
    std::string error;
    int r = 0;
    {
        Quiet q(opts.quiet);
        r = import_reg(h.get(), rest[1].c_str(), prefix.c_str(), &error);
        if (r == 0) r = writeHive(h.get()) == 0 ? 0 : 1;
    }
    if (r < 0) return fail(1, "import failed, " + rest[0] + " not changed: " + error);
    if (r > 0) return fail(1, "cannot save " + rest[0] + "; it is not changed");
    return 0;
}
