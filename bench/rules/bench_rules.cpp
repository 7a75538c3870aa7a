// Scan every section of a rule database against a fixture installation with
// damage planted, then repair it, without the program's pacing (its worker
// waits 300 ms per item): the time of the whole set once the hives are
// loaded (goal: under 50 ms for the default set), of each rule, of the
// repair, and hivexml reading the same hive files for a sense of the load.
//
//   hivemend_bench_rules [RULES] [USERS]   (default: the default rule set, 2 users;
//                                          RULES "" for the default with other USERS)

#include <algorithm>
#include <boost/property_tree/json_parser.hpp>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "common.h"
#include "hivefile.h"
#include "hivemend/CRegFix.h"
#include "winfixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWholeRuns = 50;
constexpr int kRuleRuns = 20;

// Each rule's section and key, in the global order the engine numbers them.
struct RuleLabel {
    std::string section;
    std::string key;
};

std::vector<RuleLabel> rule_labels(const std::string& rules) {
    boost::property_tree::ptree db;
    boost::property_tree::read_json(rules, db);
    std::vector<RuleLabel> labels;
    for (const auto& [section, node] : db)
        for (const auto& rule : node) labels.push_back({section, rule.second.get<std::string>("key")});
    return labels;
}

// Damage of every kind the default rules cover, machine and users, both views.
void plant(const winfixture::Installation& win) {
    using winfixture::dword;
    using winfixture::sz;
    const std::string nt = "Microsoft\\Windows NT\\CurrentVersion\\";
    winfixture::HiveFile sw(win.hive("SOFTWARE"));
    sw.set_sz(nt + "Winlogon", "Shell", "explorer.exe,lock.exe")
        .set_sz("Wow6432Node\\" + nt + "Image File Execution Options\\taskmgr.exe", "Debugger", "lock.exe")
        .set_sz(nt + "Image File Execution Options\\sethc.exe", "Debugger", "cmd.exe")
        .set_dword("Microsoft\\Windows\\CurrentVersion\\Policies\\System", "DisableTaskMgr", 1)
        .set_sz("Classes\\exefile\\shell\\open\\command", "", "lock.exe \"%1\" %*")
        .set_sz(nt + "Windows", "AppInit_DLLs", "hook.dll")
        .remove_key("Classes\\regfile\\shell\\open");
    sw.save();
    winfixture::remove_key(win.hive("SYSTEM"), "ControlSet001\\Control\\SafeBoot\\Minimal");
    for (const std::string& user : win.options.users) {
        winfixture::HiveFile h(win.userHive(user));
        h.set_dword("Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "DisableRegistryTools", 1)
            .set_sz("Software\\" + nt + "Winlogon", "Shell", "lock.exe");
        h.save();
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A scratch folder, removed with everything in it however the run ends.
struct ScratchDir {
    ScratchDir() {
        char pattern[] = "/tmp/rules-bench.XXXXXX";
        if (mkdtemp(pattern)) path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
    std::string path;
};

int run(const std::string& rules, int users) {
    const ScratchDir scratch;
    if (scratch.path.empty()) return 1;
    const std::string& dir = scratch.path;
    winfixture::Options options;
    options.users.clear();
    for (int i = 1; i <= users; ++i) options.users.push_back("User" + std::to_string(i));
    const std::vector<RuleLabel> labels = rule_labels(rules);
    double t_load = 0, t_first = 0;
    std::vector<double> whole, per_rule(labels.size(), 0.0), repair_each;
    unsigned sections = 0, problems = 0, left = 0;
    winfixture::Installation win;
    {
        MuteStdout mute;
        win = winfixture::build(dir + "/C", options);
        plant(win);
        CRegFix fix;
        double t0 = now();
        fix.SetHiveFileDriver(win.root.c_str());
        fix.LoadRuleDB(rules.c_str());
        t_load = now() - t0;
        sections = fix.getCount();
        t0 = now();
        fix.ScanReg();
        t_first = now() - t0;
        for (int run = 0; run < kWholeRuns; ++run) {
            t0 = now();
            for (unsigned i = 0; i < fix.getCount(); ++i) fix.getItemState(i);
            whole.push_back(now() - t0);
        }
        for (unsigned r = 0; r < labels.size(); ++r) {
            std::vector<double> runs;
            for (int run = 0; run < kRuleRuns; ++run) {
                t0 = now();
                fix.ScanItem(r);
                runs.push_back(now() - t0);
            }
            per_rule[r] = median(runs);
        }
        for (unsigned i = 0; i < fix.getCount(); ++i) {
            if (!fix.getItemState(i)) continue;
            ++problems;
            t0 = now();
            fix.Repair(i);
            repair_each.push_back(now() - t0);
        }
        for (unsigned i = 0; i < fix.getCount(); ++i) left += fix.getItemState(i) != 0;
    }

    std::vector<std::string> hives;
    for (const char* h : {"SOFTWARE", "SYSTEM", "DEFAULT"}) hives.push_back(win.hive(h));
    for (const std::string& user : win.options.users) hives.push_back(win.userHive(user));
    double t_hivexml = 0;
    for (const std::string& h : hives) t_hivexml += time_command("hivexml '" + h + "' > /dev/null 2>&1");

    double sum_rules = 0;
    std::vector<unsigned> order(labels.size());
    for (unsigned r = 0; r < labels.size(); ++r) {
        order[r] = r;
        sum_rules += per_rule[r];
    }
    std::sort(order.begin(), order.end(), [&](unsigned a, unsigned b) { return per_rule[a] > per_rule[b]; });
    double sum_repair = 0;
    for (const double t : repair_each) sum_repair += t;

    const double steady = median(whole);
    printf("rules: %zu in %u sections (%s); fixture: Windows 7 64-bit, %d users, damage planted\n", labels.size(),
           sections, rules.c_str(), users);
    printf("load the rule database:                 %8.2f ms\n", t_load * 1e3);
    printf("first scan, hives loaded on the way:    %8.2f ms\n", t_first * 1e3);
    printf("whole set scan, hives loaded (median of %d): %.2f ms (min %.2f, max %.2f); goal under 50 ms: %s\n",
           kWholeRuns, steady * 1e3, *std::min_element(whole.begin(), whole.end()) * 1e3,
           *std::max_element(whole.begin(), whole.end()) * 1e3, steady < 0.050 ? "met" : "MISSED");
    printf("per rule (median of %d scans each): mean over the rules %.1f us, slowest:\n", kRuleRuns,
           sum_rules / static_cast<double>(labels.size()) * 1e6);
    for (unsigned k = 0; k < 5 && k < order.size(); ++k)
        printf("  %8.1f us  %s\n", per_rule[order[k]] * 1e6, labels[order[k]].key.c_str());
    printf("repair of %u sections, each saving its hives: %.1f ms (%.1f ms per section); left after: %u\n", problems,
           sum_repair * 1e3, problems ? sum_repair * 1e3 / problems : 0.0, left);
    printf("peer: hivexml reading the same %zu hive files: %.1f ms (first scan / hivexml = %.2f)\n", hives.size(),
           t_hivexml * 1e3, t_hivexml > 0 ? t_first / t_hivexml : 0.0);
    return left == 0 && steady < 0.050 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string rules = argc > 1 && *argv[1] ? argv[1] : DEFAULT_RULES;
    const int users = argc > 2 ? atoi(argv[2]) : 2;
    try {
        return run(rules, users > 0 ? users : 2);
    } catch (const std::exception& e) {
        fprintf(stderr, "hivemend_bench_rules: %s\n", e.what());
        return 1;
    }
}
