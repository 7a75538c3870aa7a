// Load a hive and walk every key and value with its data, against hivexml
// doing the same walk on the same file.
//
//   hivemend_bench_walk [HIVE]     (default: the SYSTEM sample)

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common.h"
#include "hivemend/engine.h"
#include "hivemend/visit.h"

namespace {

struct Counter : HiveVisitor {
    bool enter_key(int, int) override {
        ++keys;
        return true;
    }
    void value(int, int, const ValueBuffer* d) override {
        ++values;
        bytes += d ? d->len : 0;
    }
    long keys = 0, values = 0, bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string file = sample_path(argc, argv, "SYSTEM");
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) {
        fprintf(stderr, "bench_walk: %s not found\n", file.c_str());
        return 1;
    }
    const int runs = 5;
    // Each run is a fresh process, as each hivexml run is.
    double ours = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t = in_child([&] {
            Counter run;
            MuteStdout mute;
            Hive* h = openHive(file.c_str(), HIVE_READONLY);
            if (!h) return false;
            hive_visit(h, run, 0);
            closeHive(h);
            return true;
        });
        if (t < 0) return 1;
        ours = std::min(ours, t);
    }
    Counter c;
    {
        MuteStdout mute;
        Hive* h = openHive(file.c_str(), HIVE_READONLY);
        hive_visit(h, c, 0);
        closeHive(h);
    }
    double peer = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t = time_command("hivexml '" + file + "' > /dev/null");
        if (t < 0) {
            fprintf(stderr, "bench_walk: hivexml failed on %s\n", file.c_str());
            return 1;
        }
        peer = std::min(peer, t);
    }
    printf("load + walk of %s (%.1f MB: %ld keys, %ld values, %ld data bytes), best of %d:\n", file.c_str(),
           static_cast<double>(st.st_size) / 1e6, c.keys, c.values, c.bytes, runs);
    printf("  hivemend %.4f s   hivexml %.4f s   hivemend is %.1f times faster (goal: 3)\n", ours, peer, peer / ours);
    return 0;
}
