// "rescuectl registry" run as a program on a damaged fixture installation
// under RESCUESCAN_SYSROOT: the lines it prints, its exit status, the
// backups it makes, and a one-line reason for each way it can fail.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "hivefile.h"
#include "winfixture.h"

namespace {

namespace fs = std::filesystem;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A shell command's standard output and exit status.
std::string run(const std::string& command, int* status) {
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; p && (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = p ? pclose(p) : -1;
    *status = rc != -1 && WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// A scratch folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "rescuectl-test.XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

const std::string kWinlogon = "Windows shell and logon program replaced (Winlogon)";
const std::string kDebugger = "System tools blocked by a debugger (Image File Execution Options)";
const std::string kUserPolicies = "Task Manager, Registry Editor or command prompt disabled for a user";

struct Outcome {
    int status = -1;
    std::string out;
};

class RegistryCommand : public ::testing::Test {
protected:
    void SetUp() override {
        // The drive the program picks is the first entry of /windows by name,
        // whatever the letter case; hidden entries are not looked at.
        fs::create_directories(sysroot() + "/windows/.hidden");
        fs::create_directories(sysroot() + "/windows/b_data");
        win = winfixture::build(sysroot() + "/windows/A_win");
        fs::create_directories(sysroot() + "/etc");
        fs::copy_file(DEFAULT_RULES, sysroot() + "/etc/registry.json");
    }

    std::string sysroot() const { return dir.file("sysroot"); }

    // rescuectl with `arguments`; standard error joins the output when `err`.
    Outcome rescuectl(const std::string& arguments, bool err = false) {
        Outcome r;
        r.out = run("RESCUESCAN_SYSROOT='" + sysroot() + "' " RESCUECTL_EXECUTABLE " " + arguments +
                                  (err ? " 2>&1" : " 2>/dev/null"),
                              &r.status);
        return r;
    }

    static bool has_line(const Outcome& r, const std::string& state, const std::string& section) {
        std::string label = state;
        label.resize(9, ' ');
        return r.out.find(label + " " + section + "\n") != std::string::npos;
    }

    ScratchDir dir;
    winfixture::Installation win;
};

TEST_F(RegistryCommand, ScanListsTheDamageRepairFixesItRestoreBringsItBack) {
    const std::string nt = "Microsoft\\Windows NT\\CurrentVersion\\";
    winfixture::plant_value(win.hive("SOFTWARE"), nt + "Winlogon", "Shell", REG_SZ, winfixture::sz("lock.exe"));
    winfixture::plant_value(win.hive("SOFTWARE"), "Wow6432Node\\" + nt + "Image File Execution Options\\taskmgr.exe",
                            "Debugger", REG_SZ, winfixture::sz("lock.exe"));
    winfixture::plant_value(win.userHive("Bob"), "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                            "DisableTaskMgr", REG_DWORD, winfixture::dword(1));
    const std::string damaged = read_file(win.hive("SOFTWARE"));

    const Outcome scan = rescuectl("registry scan");
    EXPECT_EQ(scan.status, 1) << scan.out;
    for (const std::string& s : {kWinlogon, kDebugger, kUserPolicies}) EXPECT_TRUE(has_line(scan, "problem", s)) << s;
    EXPECT_TRUE(has_line(scan, "ok", "Safe Mode boot keys")) << scan.out;
    EXPECT_EQ(scan.out.find("hive"), std::string::npos) << "the engine's own messages stay out: " << scan.out;

    const Outcome repair = rescuectl("registry repair");
    EXPECT_EQ(repair.status, 0) << repair.out;
    EXPECT_EQ(repair.out.rfind("backup: every hive copied to a .bhv file beside it\n", 0), 0u) << repair.out;
    for (const std::string& s : {kWinlogon, kDebugger, kUserPolicies}) EXPECT_TRUE(has_line(repair, "repaired", s)) << s;
    EXPECT_NE(repair.out.find(" 0 failed, 0 with problems left\n"), std::string::npos) << repair.out;
    EXPECT_EQ(read_file(win.hive("SOFTWARE") + ".bhv"), damaged);

    const Outcome again = rescuectl("registry scan");
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("0 of 11 sections with problems"), std::string::npos) << again.out;

    const Outcome backup = rescuectl("registry backup");
    EXPECT_EQ(backup.status, 0) << backup.out;
    EXPECT_NE(backup.out.find("kept"), std::string::npos) << backup.out;
    EXPECT_EQ(read_file(win.hive("SOFTWARE") + ".bhv"), damaged) << "a backup is never replaced";

    const Outcome restore = rescuectl("registry restore");
    EXPECT_EQ(restore.status, 0) << restore.out;
    EXPECT_EQ(read_file(win.hive("SOFTWARE")), damaged);
    EXPECT_EQ(rescuectl("registry --root '" + win.root + "' scan").status, 1);
}

TEST_F(RegistryCommand, VerboseNamesRecoveredHivesAndRestoreGivesBackEveryHiveWithItsLogs) {
    // Bob's hive is a dirty Windows 10 user hive, its logs beside it.
    const std::string hive = win.userHive("Bob");
    const std::string folder = hive.substr(0, hive.rfind('/') + 1);
    write_file(hive, read_file(DIRTY_SAMPLES "/transactions_NTUSER.DAT"));
    write_file(folder + "ntuser.dat.LOG1", read_file(DIRTY_SAMPLES "/transactions_ntuser.dat.log1"));
    write_file(folder + "ntuser.dat.LOG2", read_file(DIRTY_SAMPLES "/transactions_ntuser.dat.log2"));
    std::map<std::string, std::string> before;
    for (const std::string& f : {hive, folder + "ntuser.dat.LOG1", folder + "ntuser.dat.LOG2", win.localService()})
        before[f] = read_file(f);

    EXPECT_EQ(rescuectl("registry scan").out.find("recovered"), std::string::npos) << "only with --verbose";
    const Outcome scan = rescuectl("registry --verbose scan");
    const std::string line = "recovered " + hive +
                             ": dirty, recovered from its transaction logs ntuser.dat.LOG1 (23 entries, 132 pages)\n";
    EXPECT_NE(scan.out.find(line), std::string::npos) << scan.out;
    EXPECT_EQ(scan.out.find("dirty    "), std::string::npos) << "the fixture's own hives are clean: " << scan.out;

    const Outcome backup = rescuectl("registry backup");
    EXPECT_EQ(backup.status, 0) << backup.out;
    EXPECT_NE(backup.out.find("  " + folder + "ntuser.dat.LOG1.bhv\n"), std::string::npos) << backup.out;
    EXPECT_EQ(rescuectl("registry repair").status, 0);
    winfixture::plant_value(win.localService(), "Software", "Changed", REG_DWORD, winfixture::dword(1));
    EXPECT_NE(read_file(hive), before[hive]);

    const Outcome restore = rescuectl("registry restore");
    EXPECT_EQ(restore.status, 0) << restore.out;
    for (const auto& [file, bytes] : before) EXPECT_EQ(read_file(file), bytes) << file;
}

// Arguments, a change to the set-up, and the reason rescuectl must give.
struct Failure {
    const char* what;
    std::string arguments;
    std::string reason;
};

class RegistryCommandFails : public RegistryCommand, public ::testing::WithParamInterface<Failure> {};

TEST_P(RegistryCommandFails, WithOneLineAndStatusTwo) {
    const Failure& f = GetParam();
    if (std::string(f.what) == "no drive") fs::remove_all(sysroot() + "/windows");
    if (std::string(f.what) == "bad rules") write_file(sysroot() + "/etc/registry.json", "{\"A\": [\n");
    if (std::string(f.what) == "no rules") fs::remove(sysroot() + "/etc/registry.json");
    const Outcome r = rescuectl(f.arguments, true);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_EQ(r.out.rfind("rescuectl registry: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(f.reason), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line: " << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, RegistryCommandFails,
    ::testing::Values(Failure{"no drive", "registry scan", "no Windows drive in "},
                      Failure{"bad rules", "registry scan", "registry.json(2): expected value"},
                      Failure{"no rules", "registry repair", "registry.json: cannot open file"},
                      Failure{"no installation", "registry --root /proc/self backup", "no Windows installation at"},
                      Failure{"no backup", "registry restore", "nothing was restored"},
                      Failure{"no action", "registry --verbose", "give one action"},
                      Failure{"unknown action", "registry fix", "unknown action \"fix\""}),
    [](const ::testing::TestParamInfo<Failure>& p) {
        std::string name = p.param.what;
        for (char& c : name)
            if (c == ' ') c = '_';
        return name;
    });

}  // namespace
