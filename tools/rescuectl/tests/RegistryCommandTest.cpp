// "rescuectl registry" run as a program on a damaged fixture installation
// under RESCUESCAN_SYSROOT: the lines it prints, its exit status, the
// backups it makes, and a one-line reason for each way it can fail.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "hivefile.h"
#include "hivemend/CKRegstry.h"
#include "hivemend/engine.h"
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
    // A real user hive shows nothing to the default rules; this one makes the
    // repair write every user's hive, the dirty one included.
    write_file(sysroot() + "/etc/registry.json",
               R"({"A marker in every user's hive": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue",)"
               R"( "value": {"Repaired": {"type": "REG_DWORD", "value": "1"}}}]})");

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

// The damage a locker leaves in three hives: a machine shell, a user's
// policy, the policy of the logon screen (.DEFAULT).
void plant_locker(const winfixture::Installation& win) {
    const std::string policies = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    winfixture::plant_value(win.hive("SOFTWARE"), "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell", REG_SZ,
                            winfixture::sz("lock.exe"));
    for (const char* user : {"Alice", "Bob"})
        winfixture::plant_value(win.userHive(user), policies, "DisableTaskMgr", REG_DWORD, winfixture::dword(1));
    winfixture::plant_value(win.hive("DEFAULT"), policies, "DisableTaskMgr", REG_DWORD, winfixture::dword(1));
}

// The data of a value as the hive file holds it; "(none)" when it or its key
// is missing or the hive cannot be opened.
std::string stored(const std::string& hive, const std::string& key, const std::string& name) {
    CKRegstry r;
    try {
        r.OpenFileHive(hive.c_str());
    } catch (const std::exception&) {
        return "(none)";
    }
    void* buf = nullptr;
    const unsigned k = r.GetOffset(key.c_str(), 0);
    const int n = k ? r.ReadValue(k, name.c_str(), nullptr, &buf) : -1;
    std::string data = n < 0 ? "(none)" : std::string(reinterpret_cast<const char*>(vb_data(static_cast<ValueBuffer*>(buf))), static_cast<size_t>(n));
    CKRegstry::FreeValue(buf);
    return data;
}

const std::string kUserShell = "Windows shell replaced for a user";
const std::string kMachinePolicies = "Task Manager and Registry Editor disabled for all users";
const std::string kExplorerPolicies = "Run dialog, desktop or Control Panel disabled by policy";
const std::string kSafeMode = "Safe Mode boot keys";
const std::vector<std::string> kUserSections = {kUserShell, kUserPolicies, kExplorerPolicies};

// A hive that cannot be read or is damaged: what breaks it, the sections
// that must fail and the reason their lines give.
struct Broken {
    const char* what;
    std::function<void(const winfixture::Installation&)> apply;
    std::string hive;  // "SYSTEM", "DEFAULT" or "user:Bob"
    std::vector<std::string> failed;
    std::string reason;
};

std::string hive_file(const winfixture::Installation& win, const std::string& which) {
    return which.rfind("user:", 0) == 0 ? win.userHive(which.substr(5)) : win.hive(which);
}

// Zeroes the entry count of the subkey list of Software in a user hive: one
// field, after which its other subkeys cannot be reached.
void zero_software_index(const std::string& file) {
    std::string bytes = read_file(file);
    Hive* h = openHiveBuffer("x", bytes.data(), static_cast<long>(bytes.size()), HIVE_READONLY);
    const int cell = trav_path(h, 0, "Software", LOOKUP_EXACT);
    const int list = reinterpret_cast<const nk_key*>(h->buffer + cell + 4)->ofs_lf + 0x1004;
    closeHive(h);
    bytes[static_cast<size_t>(list) + 2] = 0;
    bytes[static_cast<size_t>(list) + 3] = 0;
    write_file(file, bytes);
}

std::string sample(const std::string& name) { return std::string(HIVE_SAMPLES) + "/" + name; }

std::vector<Broken> broken_hives() {
    const auto user = [](const char* what, std::function<void(const std::string&)> f, const std::string& reason) {
        return Broken{what, [f](const winfixture::Installation& w) { f(w.userHive("Bob")); }, "user:Bob", kUserSections,
                      reason};
    };
    return {
        user("UserHiveMissing", [](const std::string& f) { fs::remove(f); },
             "NTUSER.DAT is missing, though Windows lists the profile Bob"),
        user("UserHiveEmpty", [](const std::string& f) { write_file(f, ""); }, "NTUSER.DAT: the file is empty"),
        user("UserHiveAFolder",
             [](const std::string& f) {
                 fs::remove(f);
                 fs::create_directory(f);
             },
             "NTUSER.DAT: not a regular file but a folder"),
        user("UserHiveALinkToADevice",
             [](const std::string& f) {
                 fs::remove(f);
                 fs::create_symlink("/dev/zero", f);
             },
             "NTUSER.DAT: not a regular file but a device"),
        user("UserHiveAFifo",
             [](const std::string& f) {
                 fs::remove(f);
                 mkfifo(f.c_str(), 0644);
             },
             "NTUSER.DAT: not a regular file but a FIFO"),
        user("UserHiveGarbageStartingWithRegf",
             [](const std::string& f) { write_file(f, "regf" + std::string(8188, '\xAB')); },
             "NTUSER.DAT: not a readable registry hive"),
        // The case that lost a profile: one zeroed count in a real user hive.
        user("RealUserHiveWithAZeroedIndexCount", zero_software_index, "NTUSER.DAT is damaged (offset 0x"),
        {"SystemMissing", [](const winfixture::Installation& w) { fs::remove(w.hive("SYSTEM")); }, "SYSTEM", {kSafeMode},
         "SYSTEM: the file does not exist"},
        {"SystemEmpty", [](const winfixture::Installation& w) { write_file(w.hive("SYSTEM"), ""); }, "SYSTEM",
         {kSafeMode}, "SYSTEM: the file is empty"},
        {"SystemDamaged",
         [](const winfixture::Installation& w) { fs::copy_file(sample("corrupted_system_hive"), w.hive("SYSTEM"),
                                                              fs::copy_options::overwrite_existing); },
         "SYSTEM", {kSafeMode}, "SYSTEM is damaged (offset 0x"},
        {"DefaultOverlappingRecords",
         [](const winfixture::Installation& w) {
             fs::copy_file(sample("crashes/delete-key-overlapping-records"), w.hive("DEFAULT"),
                           fs::copy_options::overwrite_existing);
         },
         "DEFAULT", {kUserPolicies}, "DEFAULT is damaged (offset 0x"},
    };
}

class BrokenHive : public RegistryCommand, public ::testing::WithParamInterface<Broken> {
protected:
    void SetUp() override {
        fs::create_directories(sysroot() + "/windows");
        winfixture::Options o;
        // Bob's hive is the real sample, so that real hives are what breaks.
        o.userHiveFiles["Bob"] = sample("NTUSER.DAT");
        win = winfixture::build(sysroot() + "/windows/C", o);
        fs::create_directories(sysroot() + "/etc");
        fs::copy_file(DEFAULT_RULES, sysroot() + "/etc/registry.json");
    }

    // The line of `section` in an output, "" when there is none.
    static std::string line_of(const Outcome& r, const std::string& section) {
        for (size_t at = 0; (at = r.out.find(section, at)) != std::string::npos; ++at) {
            const size_t start = r.out.rfind('\n', at) + 1;
            if (at - start == 10) return r.out.substr(start, r.out.find('\n', at) - start);
        }
        return {};
    }
};

// Scan and repair judge and repair every hive they can read; each section
// that needs the broken hive fails with the file and the cause, and the
// status is 2. A damaged hive stays byte for byte as it was.
TEST_P(BrokenHive, FailsItsSectionsNamingItAndRepairsTheRest) {
    const Broken& b = GetParam();
    plant_locker(win);
    b.apply(win);
    const std::string file = hive_file(win, b.hive);
    std::error_code ec;
    const std::string before = fs::is_regular_file(fs::symlink_status(file, ec)) ? read_file(file) : "";

    const Outcome scan = rescuectl("registry scan");
    EXPECT_EQ(scan.status, 2) << scan.out;
    for (const std::string& s : b.failed) {
        const std::string line = line_of(scan, s);
        EXPECT_EQ(line.rfind("FAILED    " + s + ": ", 0), 0u) << scan.out;
        EXPECT_NE(line.find(b.reason), std::string::npos) << line;
    }
    EXPECT_NE(line_of(scan, kWinlogon).find("problem"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find(std::to_string(b.failed.size()) + " could not be checked\n"), std::string::npos) << scan.out;

    const Outcome repair = rescuectl("registry repair");
    EXPECT_EQ(repair.status, 2) << repair.out;
    EXPECT_NE(repair.out.find("repaired  " + kWinlogon + "\n"), std::string::npos) << repair.out;
    for (const std::string& s : b.failed) EXPECT_EQ(line_of(repair, s).rfind("FAILED    " + s + ": ", 0), 0u) << repair.out;
    if (!before.empty()) {
        EXPECT_EQ(read_file(file), before) << "the broken hive is not written";
    }
    EXPECT_EQ(stored(win.hive("SOFTWARE"), "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"),
              winfixture::sz("explorer.exe"));
    EXPECT_EQ(stored(win.userHive("Alice"), "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                     "DisableTaskMgr"),
              winfixture::dword(0))
        << "the other users are repaired";
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenHive, ::testing::ValuesIn(broken_hives()),
                         [](const ::testing::TestParamInfo<Broken>& p) { return std::string(p.param.what); });

// Every hive file of the installation with its bytes now.
std::map<std::string, std::string> hive_bytes(const winfixture::Installation& win) {
    std::map<std::string, std::string> files;
    for (const char* h : {"SOFTWARE", "SYSTEM", "SAM", "SECURITY", "DEFAULT"}) files[win.hive(h)] = read_file(win.hive(h));
    for (const std::string& u : win.options.users) files[win.userHive(u)] = read_file(win.userHive(u));
    return files;
}

// The Windows drive mounted read-only (as Linux mounts a hibernated NTFS
// drive, or one Windows left with Fast Startup): a bind mount of the fixture
// over itself, remounted read-only.
class ReadOnlyDrive : public RegistryCommand {
protected:
    void SetUp() override {
        RegistryCommand::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "a read-only bind mount needs root (CI runs the tests as root)";
        plant_locker(win);
        write_file(win.root + "/hiberfil.sys", "hibernated");
        int status = 0;
        run("mount --bind '" + win.root + "' '" + win.root + "' 2>&1", &status);
        if (status != 0) GTEST_SKIP() << "mount --bind is not allowed here (no CAP_SYS_ADMIN in this container)";
        mounted = true;
        run("mount -o remount,bind,ro '" + win.root + "' 2>&1", &status);
        if (status != 0) GTEST_SKIP() << "the bind mount cannot be made read-only here";
    }
    void TearDown() override {
        int status = 0;
        if (mounted) run("umount '" + win.root + "' 2>&1", &status);
    }
    bool mounted = false;
};

TEST_F(ReadOnlyDrive, IsScannedAndNothingIsWrittenWithOneLineSayingWhy) {
    const auto before = hive_bytes(win);
    const Outcome scan = rescuectl("registry scan");
    EXPECT_EQ(scan.status, 1) << scan.out;
    EXPECT_TRUE(has_line(scan, "problem", kWinlogon)) << scan.out;
    EXPECT_EQ(scan.out.find("FAILED"), std::string::npos) << scan.out;

    const std::string drive = "the Windows drive " + win.root + " is mounted read-only (read-only file system); it "
                              "holds hiberfil.sys, so Windows is hibernated or was shut down with Fast Startup";
    for (const char* action : {"repair", "backup"}) {
        const Outcome r = rescuectl(std::string("registry ") + action, true);
        EXPECT_EQ(r.status, 2) << action << ": " << r.out;
        EXPECT_NE(r.out.find(drive), std::string::npos) << action << ": " << r.out;
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line: " << r.out;
    }
    EXPECT_EQ(hive_bytes(win), before);
    EXPECT_FALSE(fs::exists(win.hive("SOFTWARE") + ".bhv"));
}

// Backups made while the drive could be written are restored only when every
// hive can be written again.
TEST_F(RegistryCommand, RestoreOfAReadOnlyDriveRestoresNothing) {
    if (geteuid() != 0) GTEST_SKIP() << "a read-only bind mount needs root (CI runs the tests as root)";
    ASSERT_EQ(rescuectl("registry backup").status, 0);
    plant_locker(win);
    const auto damaged = hive_bytes(win);
    int status = 0;
    run("mount --bind '" + win.root + "' '" + win.root + "' 2>&1", &status);
    if (status != 0) GTEST_SKIP() << "mount --bind is not allowed here (no CAP_SYS_ADMIN in this container)";
    run("mount -o remount,bind,ro '" + win.root + "' 2>&1", &status);
    const Outcome r = status == 0 ? rescuectl("registry restore", true) : Outcome{};
    int unmounted = 0;
    run("umount '" + win.root + "' 2>&1", &unmounted);
    if (status != 0) GTEST_SKIP() << "the bind mount cannot be made read-only here";
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("is mounted read-only (read-only file system); nothing was restored"), std::string::npos)
        << r.out;
    EXPECT_EQ(hive_bytes(win), damaged);
}

// One hive that cannot be written: an immutable user hive. Scanning needs
// none of it; a repair that would write it changes nothing anywhere.
TEST_F(RegistryCommand, AnImmutableUserHiveIsScannedAndRepairChangesNothing) {
    plant_locker(win);
    int status = 0;
    run("chattr +i '" + win.userHive("Bob") + "' 2>&1", &status);
    if (status != 0) GTEST_SKIP() << "chattr +i is not allowed here (needs root and a file system that keeps it)";
    const auto before = hive_bytes(win);
    const Outcome scan = rescuectl("registry scan");
    const Outcome repair = rescuectl("registry repair", true);
    run("chattr -i '" + win.userHive("Bob") + "' 2>&1", &status);
    EXPECT_EQ(scan.status, 1) << scan.out;
    EXPECT_EQ(scan.out.find("FAILED"), std::string::npos) << scan.out;
    EXPECT_EQ(repair.status, 2) << repair.out;
    EXPECT_NE(repair.out.find("rescuectl registry: the file " + win.userHive("Bob") +
                              " is immutable (chattr +i); nothing was changed\n"),
              std::string::npos)
        << repair.out;
    EXPECT_EQ(hive_bytes(win), before) << "nothing half done";
}

// Hives whose mode allows reading only, scanned by a user who may not write
// them: the scan works; a repair fails saying why, changing nothing.
TEST_F(RegistryCommand, HivesThatMayOnlyBeReadAreScanned) {
    if (geteuid() != 0) GTEST_SKIP() << "running rescuectl as another user needs root (CI runs the tests as root)";
    int status = 0;
    run("command -v setpriv", &status);
    if (status != 0) GTEST_SKIP() << "setpriv (util-linux) is not installed";
    plant_locker(win);
    for (const auto& [file, bytes] : hive_bytes(win)) fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (fs::path p = win.root; p != p.root_path(); p = p.parent_path())
        fs::permissions(p, fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
    const auto before = hive_bytes(win);
    const auto as_nobody = [&](const std::string& action) {
        Outcome r;
        r.out = run("setpriv --reuid=nobody --regid=nogroup --clear-groups env RESCUESCAN_SYSROOT='" + sysroot() + "' " +
                        RESCUECTL_EXECUTABLE " registry --root '" + win.root + "' --rules '" + sysroot() +
                        "/etc/registry.json' " + action + " 2>&1",
                    &r.status);
        return r;
    };
    const Outcome scan = as_nobody("scan");
    EXPECT_EQ(scan.status, 1) << scan.out;
    EXPECT_TRUE(has_line(scan, "problem", kWinlogon)) << scan.out;
    const Outcome repair = as_nobody("repair");
    EXPECT_EQ(repair.status, 2) << repair.out;
    EXPECT_NE(repair.out.find(": Permission denied; no backup was made, nothing was changed"), std::string::npos)
        << repair.out;
    EXPECT_EQ(hive_bytes(win), before);
}

// A save that fails (here: the file size limit a full disk would set) is a
// failure, not a problem left: status 2, the file and the cause named.
TEST_F(RegistryCommand, ASaveThatFailsExitsTwoNamingTheFile) {
    ASSERT_EQ(rescuectl("registry backup").status, 0);
    plant_locker(win);
    Outcome r;
    r.out = run("trap '' XFSZ; ulimit -f 8; RESCUESCAN_SYSROOT='" + sysroot() + "' " RESCUECTL_EXECUTABLE
                " registry repair 2>/dev/null",
                &r.status);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("FAILED    " + kWinlogon + ": cannot save " + win.hive("SOFTWARE") + ": File too large\n"),
              std::string::npos)
        << r.out;
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
