// Registry text files against hivexregedit, each in the same run:
//
//   export of a whole hive (default: the SYSTEM sample) with `hivemend export`
//   against `hivexregedit --export`;
//   import of a generated file of 100,000 keys and 200,000 values into a copy
//   of a sample hive (default: NTUSER.DAT) with `hivemend import` against
//   `hivexregedit --merge`, and whether the two resulting hives hold the
//   same tree.
//
//   hivemend_bench_regtext [EXPORT_HIVE [IMPORT_HIVE]]

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common.h"
#include "hivemend/engine.h"
#include "hivemend/visit.h"

namespace {

constexpr int kGroups = 100;
constexpr int kKeysPerGroup = 1000;
const char* const kPrefix = "HKEY_CURRENT_USER";

std::string quoted(const std::string& s) { return "'" + s + "'"; }

long file_size(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// 100 group keys of 1000 keys each, every key with a text and a dword value;
// parents come before their children, as hivexregedit needs.
void generate(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\r\n\r\n[" << kPrefix << "\\Bench]\r\n";
    char line[160];
    for (int g = 0; g < kGroups; ++g) {
        snprintf(line, sizeof line, "\r\n[%s\\Bench\\Group%03d]\r\n", kPrefix, g);
        out << line;
        for (int k = 0; k < kKeysPerGroup; ++k) {
            const int n = g * kKeysPerGroup + k;
            snprintf(line, sizeof line,
                     "\r\n[%s\\Bench\\Group%03d\\Key%05d]\r\n\"Path\"=\"C:\\\\Program Files\\\\App%d\\\\app.exe\"\r\n"
                     "\"Count\"=dword:%08x\r\n",
                     kPrefix, g, n, n, static_cast<unsigned>(n));
            out << line;
        }
    }
}

// Every key path and value of a hive, as one comparable map.
class Collect : public HiveVisitor {
public:
    explicit Collect(Hive* h) : h_(h) {}
    bool enter_key(int nk, int depth) override {
        path_.resize(static_cast<size_t>(depth));
        char* n = get_key_name_utf8(h_, nk);
        path_.emplace_back(n);
        free(n);
        std::string p;
        for (size_t i = 1; i < path_.size(); ++i) p += "\\" + path_[i];
        current_ = p;
        tree[current_];
        return true;
    }
    void value(int, int vk, const ValueBuffer* d) override {
        const auto* rec = reinterpret_cast<const vk_key*>(h_->buffer + vk);
        std::string name(vk_name(rec), rec->len_name);
        std::string data = std::to_string(rec->val_type) + ":";
        if (d) data.append(reinterpret_cast<const char*>(vb_data(d)), static_cast<size_t>(d->len));
        tree[current_ + "\\\\" + name] = data;
    }
    std::map<std::string, std::string> tree;

private:
    Hive* h_;
    std::vector<std::string> path_;
    std::string current_;
};

std::map<std::string, std::string> tree_of(const std::string& file) {
    MuteStdout mute;
    Hive* h = openHive(file.c_str(), HIVE_READONLY);
    if (!h) return {};
    Collect c(h);
    hive_visit(h, c, 0);
    closeHive(h);
    return c.tree;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string tool = HIVEMEND_TOOL;
    const std::string system_hive = argc > 1 ? argv[1] : std::string(HIVE_SAMPLES_DIR) + "/SYSTEM";
    const std::string base_hive = argc > 2 ? argv[2] : std::string(HIVE_SAMPLES_DIR) + "/NTUSER.DAT";
    char tmpl[] = "/tmp/bench-regtext.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string dir = tmpl;

    const int runs = 3;
    double ours = 1e9;
    double theirs = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t = time_command(quoted(tool) + " --quiet export " + quoted(system_hive) + " '\\' " +
                                      quoted(dir + "/ours.reg"));
        const double p = time_command("hivexregedit --export " + quoted(system_hive) + " '\\' > " +
                                      quoted(dir + "/theirs.reg") + " 2>/dev/null");
        if (t < 0 || p < 0) {
            fprintf(stderr, "bench_regtext: export of %s failed\n", system_hive.c_str());
            return 1;
        }
        ours = std::min(ours, t);
        theirs = std::min(theirs, p);
    }
    printf("export of %s (%.1f MB) to registry text (%.1f MB), best of %d:\n", system_hive.c_str(),
           static_cast<double>(file_size(system_hive)) / 1e6, static_cast<double>(file_size(dir + "/ours.reg")) / 1e6,
           runs);
    printf("  hivemend %.3f s   hivexregedit %.3f s   hivemend is %.1f times faster (goal: 10)\n", ours, theirs,
           theirs / ours);

    const std::string reg = dir + "/generated.reg";
    generate(reg);
    const std::string mine = dir + "/ours.hive";
    const std::string peer = dir + "/theirs.hive";
    ours = 1e9;
    for (int i = 0; i < runs; ++i) {
        if (time_command("cp " + quoted(base_hive) + " " + quoted(mine)) < 0) return 1;
        const double t =
            time_command(quoted(tool) + " --quiet import " + quoted(mine) + " " + quoted(reg) + " --prefix " + kPrefix);
        if (t < 0) {
            fprintf(stderr, "bench_regtext: hivemend import failed\n");
            return 1;
        }
        ours = std::min(ours, t);
    }
    if (time_command("cp " + quoted(base_hive) + " " + quoted(peer)) < 0) return 1;
    theirs = time_command("hivexregedit --merge --prefix " + std::string(kPrefix) + " " + quoted(peer) + " " +
                          quoted(reg) + " 2>/dev/null");
    if (theirs < 0) {
        fprintf(stderr, "bench_regtext: hivexregedit --merge failed\n");
        return 1;
    }
    const auto a = tree_of(mine);
    const auto b = tree_of(peer);
    printf("import of %d keys and %d values (%.1f MB of text) into a copy of %s:\n", 1 + kGroups * (1 + kKeysPerGroup),
           2 * kGroups * kKeysPerGroup, static_cast<double>(file_size(reg)) / 1e6, base_hive.c_str());
    printf("  hivemend %.3f s (best of %d, hive %.1f MB)   hivexregedit --merge %.3f s (hive %.1f MB)\n", ours, runs,
           static_cast<double>(file_size(mine)) / 1e6, theirs, static_cast<double>(file_size(peer)) / 1e6);
    printf("  hivemend is %.1f times faster (goal: 10); same tree in both hives: %s (%zu keys and values)\n",
           theirs / ours, !a.empty() && a == b ? "yes" : "NO", a.size());
    time_command("rm -rf " + quoted(dir));
    return !a.empty() && a == b ? 0 : 1;
}
