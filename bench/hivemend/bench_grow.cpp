// Add 10,000 and 100,000 keys with two values each to a copy of a sample
// hive and save it; each size runs in a child process so that its peak
// memory is its own. hivexml then reads the grown hive, and the engine
// loads and walks it, for a ratio on a hive the engine wrote.
//
//   hivemend_bench_grow [HIVE]     (default: the minimal sample)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common.h"
#include "hivemend/engine.h"
#include "hivemend/visit.h"

namespace {

// Keys go into groups of 1,000 under one parent, as in a real SOFTWARE hive.
constexpr int kGroup = 1000;

bool copy_file(const std::string& from, const std::string& to) {
    FILE* in = fopen(from.c_str(), "rb");
    FILE* out = fopen(to.c_str(), "wb");
    if (!in || !out) return false;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0) fwrite(buf, 1, n, out);
    fclose(in);
    return fclose(out) == 0;
}

// Adds `n` keys with a REG_SZ and a REG_DWORD value each, saves; the seconds taken.
double grow(const std::string& file, int n) {
    MuteStdout mute;
    const double t0 = now();
    Hive* h = openHive(file.c_str(), 0);
    if (!h) return -1;
    int err = 0;
    const int top = add_subkey(h, h->rootofs + 4, "Bench", &err);
    int group = 0;
    ValueBuffer* text = new_valuebuffer(64);
    for (int i = 0; i < n; ++i) {
        char name[32];
        if (i % kGroup == 0) {
            snprintf(name, sizeof name, "Group%04d", i / kGroup);
            group = add_subkey(h, top, name, &err);
        }
        snprintf(name, sizeof name, "{Key-%08d}", i);
        const int key = add_subkey(h, group, name, &err);
        if (!key || !add_value(h, key, "Path", REG_SZ) || !add_value(h, key, "Flags", REG_DWORD)) return -1;
        for (int k = 0; k < 32; ++k) vb_data(text)[2 * k] = static_cast<unsigned char>('a' + (i + k) % 26);
        put_buf2val(h, text, key, "Path", REG_SZ, LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT);
        put_dword(h, key, "Flags", LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT, static_cast<unsigned>(i));
    }
    free(text);
    const int rc = writeHive(h);
    closeHive(h);
    return rc == 0 ? now() - t0 : -1;
}

struct Result {
    double seconds = -1;
    long peak_kb = 0;
};

Result grow_in_child(const std::string& file, int n) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const double s = grow(file, n);
        if (write(fds[1], &s, sizeof s) != sizeof s) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    Result r;
    if (read(fds[0], &r.seconds, sizeof r.seconds) != sizeof r.seconds) r.seconds = -1;
    close(fds[0]);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    r.peak_kb = ru.ru_maxrss;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string src = sample_path(argc, argv, "minimal");
    char dir[] = "/tmp/hivemend-bench.XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const int sizes[] = {10000, 100000};
    Result res[2];
    std::string grown;
    for (int i = 0; i < 2; ++i) {
        grown = std::string(dir) + "/hive-" + std::to_string(sizes[i]);
        if (!copy_file(src, grown)) return 1;
        res[i] = grow_in_child(grown, sizes[i]);
        if (res[i].seconds < 0) {
            fprintf(stderr, "bench_grow: growing %s failed\n", grown.c_str());
            return 1;
        }
        printf("add %6d keys (2 values each) and save: %.3f s, peak memory %.1f MB\n", sizes[i], res[i].seconds,
               static_cast<double>(res[i].peak_kb) / 1024);
    }
    printf("time of 100,000 keys / time of 10,000 keys: %.1f (linear: 10, goal: at most 15)\n",
           res[1].seconds / res[0].seconds);

    struct Count : HiveVisitor {
        long keys = 0;
        bool enter_key(int, int) override {
            ++keys;
            return true;
        }
    } c;
    double t0 = now();
    {
        MuteStdout mute;
        Hive* h = openHive(grown.c_str(), HIVE_READONLY);
        if (!h) return 1;
        hive_visit(h, c, 0);
        closeHive(h);
    }
    const double ours = now() - t0;
    const double peer = time_command("hivexml '" + grown + "' > /dev/null");
    printf("grown hive read back: %ld keys; hivemend load + walk %.3f s, hivexml %.3f s (%.1f times faster)\n", c.keys,
           ours, peer, peer / ours);
    const std::string cleanup = std::string("rm -rf '") + dir + "'";
    return std::system(cleanup.c_str()) == 0 && peer > 0 ? 0 : 1;
}
