// hivemend recover HIVE OUT

#include <unistd.h>

#include "commands.h"
#include "hivemend/recovery.h"
#include "logstate.h"
#include "open.h"
#include "quiet.h"
#include "safetext/safetext.h"

int cmd_recover(const Args& args, const Options& opts) {
    if (args.size() != 2) return fail(2, "usage: hivemend recover HIVE OUT");
    const std::string& out = args[1];
    if (access(out.c_str(), F_OK) == 0) return fail(1, out + " exists; recover writes a new file and replaces none");
    HivePtr h = open_for_reading(args[0], opts.quiet);
    if (!h) return 1;
    const HiveRecovery& r = *hive_recovery(h.get());
    print_log_state(args[0], r);
    if (r.state == HIVE_LOGS_UNUSABLE)
        return fail(1, args[0] + ": dirty hive without a usable transaction log, nothing to recover; nothing written");
    int status = 0;
    {
        Quiet q(opts.quiet);
        status = saveHiveAs(h.get(), out.c_str());
    }
    if (status != 0) return fail(1, "cannot write " + out);
    printf("%s: %s, written complete and clean (%s and its logs are unchanged)\n", safetext::escaped(out).c_str(),
           r.state == HIVE_LOGS_RECOVERED ? "the recovered hive" : "a copy of the clean hive",
           safetext::escaped(args[0]).c_str());
    return 0;
}
