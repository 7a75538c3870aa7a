// The cost of recovering a dirty hive from its transaction logs: opening it
// (logs read, hashes checked, entries laid over the image), next to opening
// the same hive once recovered and saved clean, each alone and with a walk
// of every key and value; hivexml reading the clean file as the peer.
//
//   hivemend_bench_recover [HIVE]   (default: the dirty UsrClass.dat sample;
//                                    its logs lie beside it)

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common.h"
#include "hivemend/engine.h"
#include "hivemend/recovery.h"
#include "hivemend/visit.h"

namespace {

struct Counter : HiveVisitor {
    bool enter_key(int, int) override {
        ++keys;
        return true;
    }
    void value(int, int, const ValueBuffer*) override { ++values; }
    long keys = 0, values = 0;
};

// Best wall time of `runs` fresh processes opening `file` (and walking it).
double best_open(const std::string& file, bool walk, int runs) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t = in_child([&] {
            MuteStdout mute;
            Hive* h = openHive(file.c_str(), HIVE_READONLY);
            if (!h) return false;
            if (walk) {
                Counter c;
                hive_visit(h, c, 0);
            }
            closeHive(h);
            return true;
        });
        if (t < 0) return -1;
        best = std::min(best, t);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dirty = sample_path(argc, argv, "dirty/UsrClass.dat");
    char tmpl[] = "/tmp/hivemend-bench-recover.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string clean = std::string(tmpl) + "/clean";
    HiveRecovery r;
    Counter c;
    {
        MuteStdout mute;
        Hive* h = openHive(dirty.c_str(), HIVE_READONLY);
        if (!h) {
            fprintf(stderr, "bench_recover: cannot open %s\n", dirty.c_str());
            return 1;
        }
        r = *hive_recovery(h);
        hive_visit(h, c, 0);
        const int saved = saveHiveAs(h, clean.c_str());
        closeHive(h);
        if (saved != 0) return 1;
    }
    if (r.state != HIVE_LOGS_RECOVERED) {
        fprintf(stderr, "bench_recover: %s was not recovered from logs beside it\n", dirty.c_str());
        return 1;
    }
    const int runs = 7;
    const double open_dirty = best_open(dirty, false, runs);
    const double open_clean = best_open(clean, false, runs);
    const double walk_dirty = best_open(dirty, true, runs);
    const double walk_clean = best_open(clean, true, runs);
    double peer = 1e9;
    for (int i = 0; i < runs; ++i) peer = std::min(peer, time_command("hivexml '" + clean + "' > /dev/null"));
    unlink(clean.c_str());
    rmdir(tmpl);
    if (open_dirty < 0 || open_clean < 0 || walk_dirty < 0 || walk_clean < 0 || peer < 0) return 1;

    struct stat st {};
    stat(dirty.c_str(), &st);
    long logs = 0;
    for (const HiveLogReport& l : r.logs) {
        struct stat ls {};
        if (stat(l.file.c_str(), &ls) == 0) logs += ls.st_size;
    }
    printf("recovery of %s (%.1f MB, logs %.1f MB: %d entries, %d pages; %ld keys, %ld values), best of %d:\n",
           dirty.c_str(), static_cast<double>(st.st_size) / 1e6, static_cast<double>(logs) / 1e6, r.entries, r.pages,
           c.keys, c.values, runs);
    printf("  open dirty + recover %.4f s   open recovered clean file %.4f s   recovery costs %.4f s (%.1fx)\n",
           open_dirty, open_clean, open_dirty - open_clean, open_dirty / open_clean);
    printf("  the same with a walk of every key and value: %.4f s / %.4f s (%.1fx)\n", walk_dirty, walk_clean,
           walk_dirty / walk_clean);
    printf("  hivexml reading the clean file %.4f s: open dirty + recover + walk is %.1f times faster\n", peer,
           peer / walk_dirty);
    return 0;
}
