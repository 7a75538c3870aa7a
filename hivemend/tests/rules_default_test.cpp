// The default rule database against fixture installations: a clean Windows
// of every kind, also with real user hives, shows nothing and is never
// written; for each kind of damage the rules cover (in the machine's hives
// and the users', in the native and the Wow6432Node view) the scan finds
// exactly it, the repair fixes it and leaves the other values of the same
// keys alone, a second scan finds nothing, hivexsh reads the repaired
// values, and a restore gives back every hive byte for byte as the first
// backup held it.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "hivefile.h"
#include "hivemend/CRegFix.h"
#include "rules_support.h"

namespace {

using rulestest::Installation;
using winfixture::sz;
using Sections = std::set<std::string>;

constexpr int kSz = 1, kDword = 4;

const char* const kWinlogon = "Windows shell and logon program replaced (Winlogon)";
const char* const kUserShell = "Windows shell replaced for a user";
const char* const kDebugger = "System tools blocked by a debugger (Image File Execution Options)";
const char* const kAccessibility = "Logon screen tools replaced (Sticky Keys and Ease of Access backdoor)";
const char* const kUserPolicies = "Task Manager, Registry Editor or command prompt disabled for a user";
const char* const kMachinePolicies = "Task Manager and Registry Editor disabled for all users";
const char* const kExplorerPolicies = "Run dialog, desktop or Control Panel disabled by policy";
const char* const kSafeMode = "Safe Mode boot keys";
const char* const kPrograms = "Program file associations (.exe, .com, .bat, .cmd)";
const char* const kRegFiles = "Registry file association (.reg)";
const char* const kAppInit = "DLLs loaded into every program (AppInit_DLLs)";

// The engine on an installation with the default rules.
std::unique_ptr<CRegFix> engine(const Installation& inst) {
    auto fix = std::make_unique<CRegFix>();
    fix->SetHiveFileDriver(inst.root().c_str());
    fix->LoadRuleDB(DEFAULT_RULES);
    return fix;
}

std::string name(CRegFix& fix, unsigned i) {
    char buf[324] = {};
    fix.getItemInfo(i, buf, sizeof buf);
    return buf;
}

// The sections whose scan finds problems.
Sections scan(CRegFix& fix) {
    Sections found;
    for (unsigned i = 0; i < fix.getCount(); ++i)
        if (fix.getItemState(i)) found.insert(name(fix, i));
    return found;
}

// Repairs every section the last scan found; the sections that failed.
Sections repair(CRegFix& fix, const Sections& found) {
    Sections failed;
    for (unsigned i = 0; i < fix.getCount(); ++i)
        if (found.count(name(fix, i)) && !fix.Repair(i)) failed.insert(name(fix, i));
    return failed;
}

struct CleanCase {
    const char* what;
    winfixture::Options options;
};

class CleanInstallation : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanInstallation, ShowsNoProblemAndIsNeverWritten) {
    const Installation inst(GetParam().options);
    const auto clean = inst.hive_files();
    auto fix = engine(inst);
    EXPECT_EQ(scan(*fix), Sections{});
    for (unsigned i = 0; i < fix->getCount(); ++i) {
        EXPECT_STREQ(fix->GetItemError(i), "") << name(*fix, i);
        EXPECT_EQ(fix->Repair(i), 1) << name(*fix, i);
    }
    EXPECT_EQ(inst.hive_files(), clean);
}

winfixture::Options version(winfixture::Version v, bool x64 = true) {
    winfixture::Options o;
    o.version = v;
    o.x64 = x64;
    return o;
}

// A Windows 7 whose users' hives are real ones: the sample NTUSER.DAT, with
// Group Policy values in the policy keys the rules look at.
winfixture::Options real_users() {
    winfixture::Options o = version(winfixture::Version::Win7);
    o.userHiveFiles["Alice"] = hivetest::sample("NTUSER.DAT");
    o.userHiveFiles["Bob"] = hivetest::sample("NTUSER.DAT");
    return o;
}

INSTANTIATE_TEST_SUITE_P(Versions, CleanInstallation,
                         ::testing::Values(CleanCase{"Windows7_64", version(winfixture::Version::Win7)},
                                           CleanCase{"Windows7_32", version(winfixture::Version::Win7, false)},
                                           CleanCase{"Windows10_64", version(winfixture::Version::Win10)},
                                           // XP writes "C:\WINDOWS" in Userinit, has no IsolatedCommand,
                                           // no runas command and no LoadAppInit_DLLs.
                                           CleanCase{"WindowsXP", version(winfixture::Version::XP, false)},
                                           CleanCase{"Windows7_RealUserHives", real_users()}),
                         [](const ::testing::TestParamInfo<CleanCase>& p) { return std::string(p.param.what); });

// A rule file of the format before values could be said to be absent loads
// and judges as it did: a clean Windows 7 lacks the values it can only ask
// for by their presence.
TEST(OlderRuleFiles, JudgeAsBefore) {
    const Installation inst(version(winfixture::Version::Win7));
    CRegFix fix;
    fix.SetHiveFileDriver(inst.root().c_str());
    fix.LoadRuleDB(EXACT_VALUE_RULES);
    EXPECT_EQ(scan(fix), (Sections{kUserShell, kMachinePolicies, kExplorerPolicies}));
}

// A hive file of the installation by short name: "SOFTWARE", "SYSTEM",
// "DEFAULT", or "user:NAME".
std::string hive(const Installation& inst, const std::string& which) {
    if (which.rfind("user:", 0) == 0) return inst.win().userHive(which.substr(5));
    return inst.win().hive(which);
}

// A value hivexsh must show after the repair, or a key or value that must be gone.
struct Expect {
    std::string hive;
    std::string key;
    std::string value;  // "" the default value
    // What hivexsh prints; "(gone)" for a key that must not exist, "(no
    // value)" for a value that must not.
    std::string shown;
};

struct Damage {
    const char* what;
    std::function<void(const Installation&)> plant;
    Sections found;
    std::vector<Expect> after;
};

void set_sz(const Installation& inst, const std::string& h, const std::string& key, const std::string& value,
            const std::string& text) {
    winfixture::plant_value(hive(inst, h), key, value, kSz, sz(text));
}

void set_dword(const Installation& inst, const std::string& h, const std::string& key, const std::string& value,
               uint32_t v) {
    winfixture::plant_value(hive(inst, h), key, value, kDword, winfixture::dword(v));
}

const std::string kNt = "Microsoft\\Windows NT\\CurrentVersion\\";
const std::string kIfeo = kNt + "Image File Execution Options\\";
const std::string kPolicies = "Microsoft\\Windows\\CurrentVersion\\Policies\\";
const std::string kUserPoliciesKey = "Software\\" + kPolicies;

std::vector<Damage> damages() {
    std::vector<Damage> d = {
        {"WinlogonShellNative",
         [](const Installation& i) {
             set_sz(i, "SOFTWARE", kNt + "Winlogon", "Shell", "explorer.exe,C:\\ProgramData\\lock.exe");
         },
         {kWinlogon},
         {{"SOFTWARE", kNt + "Winlogon", "Shell", "explorer.exe"}}},
        {"WinlogonUserinitWow6432Node",
         [](const Installation& i) {
             set_sz(i, "SOFTWARE", "Wow6432Node\\" + kNt + "Winlogon", "Userinit",
                    "C:\\Windows\\system32\\userinit.exe,C:\\ProgramData\\lock.exe");
         },
         {kWinlogon},
         {{"SOFTWARE", "Wow6432Node\\" + kNt + "Winlogon", "Userinit", "C:\\Windows\\system32\\userinit.exe,"}}},
        {"UserShell",
         [](const Installation& i) {
             set_sz(i, "user:Bob", "Software\\" + kNt + "Winlogon", "Shell", "C:\\Users\\Bob\\AppData\\lock.exe");
         },
         {kUserShell},
         {{"user:Bob", "Software\\" + kNt + "Winlogon", "Shell", "explorer.exe"},
          {"user:Alice", "Software\\" + kNt + "Winlogon", "Shell", "(no value)"}}},
        {"DebuggerNativeAndWow6432Node",
         [](const Installation& i) {
             set_sz(i, "SOFTWARE", kIfeo + "taskmgr.exe", "Debugger", "C:\\ProgramData\\lock.exe");
             set_dword(i, "SOFTWARE", kIfeo + "taskmgr.exe", "MitigationOptions", 0x100);
             set_sz(i, "SOFTWARE", "Wow6432Node\\" + kIfeo + "regedit.exe", "Debugger", "svchost.exe");
         },
         {kDebugger},
         {{"SOFTWARE", kIfeo + "taskmgr.exe", "Debugger", "(no value)"},
          {"SOFTWARE", kIfeo + "taskmgr.exe", "MitigationOptions", "256"},
          {"SOFTWARE", "Wow6432Node\\" + kIfeo + "regedit.exe", "Debugger", "(no value)"},
          {"SOFTWARE", kIfeo + "DllNXOptions", "shell32.dll", "1"}}},
        {"StickyKeysBackdoor",
         [](const Installation& i) {
             set_sz(i, "SOFTWARE", kIfeo + "sethc.exe", "Debugger", "C:\\Windows\\system32\\cmd.exe");
         },
         {kAccessibility},
         {{"SOFTWARE", kIfeo + "sethc.exe", "Debugger", "(no value)"}}},
        {"UserPolicies",
         [](const Installation& i) {
             set_dword(i, "user:Alice", kUserPoliciesKey + "System", "DisableTaskMgr", 1);
             set_dword(i, "user:Alice", kUserPoliciesKey + "System", "DisableLockWorkstation", 1);
             set_dword(i, "user:Bob", "Software\\Policies\\Microsoft\\Windows\\System", "DisableCMD", 2);
             set_dword(i, "user:Bob", "Software\\Policies\\Microsoft\\Windows\\System", "GroupPolicyRefreshTime", 30);
             set_dword(i, "DEFAULT", kUserPoliciesKey + "System", "DisableRegistryTools", 1);
         },
         {kUserPolicies},
         {{"user:Alice", kUserPoliciesKey + "System", "DisableTaskMgr", "0"},
          {"user:Alice", kUserPoliciesKey + "System", "DisableLockWorkstation", "1"},
          {"user:Bob", kUserPoliciesKey + "System", "DisableTaskMgr", "(no value)"},
          {"user:Bob", "Software\\Policies\\Microsoft\\Windows\\System", "DisableCMD", "0"},
          {"user:Bob", "Software\\Policies\\Microsoft\\Windows\\System", "GroupPolicyRefreshTime", "30"},
          {"user:Alice", "Software\\Policies\\Microsoft\\Windows\\System", "", "(gone)"},
          {"DEFAULT", kUserPoliciesKey + "System", "DisableRegistryTools", "0"},
          {"user:Alice", kUserPoliciesKey + "Explorer", "NoDriveTypeAutoRun", "145"}}},
        {"MachinePoliciesBothViews",
         [](const Installation& i) {
             set_dword(i, "SOFTWARE", kPolicies + "System", "DisableTaskMgr", 1);
             set_dword(i, "SOFTWARE", "Wow6432Node\\" + kPolicies + "System", "DisableRegistryTools", 1);
         },
         {kMachinePolicies},
         {{"SOFTWARE", kPolicies + "System", "DisableTaskMgr", "0"},
          {"SOFTWARE", "Wow6432Node\\" + kPolicies + "System", "DisableRegistryTools", "0"},
          {"SOFTWARE", kPolicies + "System", "EnableLUA", "1"}}},
        {"ExplorerPolicies",
         [](const Installation& i) {
             set_dword(i, "SOFTWARE", kPolicies + "Explorer", "NoRun", 1);
             set_dword(i, "user:Alice", kUserPoliciesKey + "Explorer", "NoDesktop", 1);
         },
         {kExplorerPolicies},
         {{"SOFTWARE", kPolicies + "Explorer", "NoRun", "0"},
          {"SOFTWARE", kPolicies + "Explorer", "NoDesktop", "(no value)"},
          {"user:Alice", kUserPoliciesKey + "Explorer", "NoDesktop", "0"},
          {"user:Alice", kUserPoliciesKey + "Explorer", "NoDriveTypeAutoRun", "145"},
          {"user:Bob", kUserPoliciesKey + "Explorer", "NoDesktop", "(no value)"}}},
        {"SafeModeKeysDeleted",
         [](const Installation& i) {
             winfixture::remove_key(hive(i, "SYSTEM"), "ControlSet001\\Control\\SafeBoot\\Minimal");
             winfixture::remove_key(hive(i, "SYSTEM"), "ControlSet001\\Control\\SafeBoot\\Network\\Tcpip");
             set_sz(i, "SYSTEM", "ControlSet001\\Control\\SafeBoot", "AlternateShell", "C:\\ProgramData\\lock.exe");
         },
         {kSafeMode},
         {{"SYSTEM", "ControlSet001\\Control\\SafeBoot", "AlternateShell", "cmd.exe"},
          {"SYSTEM", "ControlSet001\\Control\\SafeBoot\\Minimal\\Base", "", "Driver Group"},
          {"SYSTEM", "ControlSet001\\Control\\SafeBoot\\Minimal\\{4D36E967-E325-11CE-BFC1-08002BE10318}", "",
           "DiskDrive"},
          {"SYSTEM", "ControlSet001\\Control\\SafeBoot\\Network\\Tcpip", "", "Service"}}},
        {"ExecutableAssociations",
         [](const Installation& i) {
             set_sz(i, "SOFTWARE", "Classes\\.exe", "", "secfile");
             set_sz(i, "SOFTWARE", "Classes\\.exe\\shell\\open\\command", "", "C:\\ProgramData\\fake.exe -a \"%1\" %*");
             set_sz(i, "SOFTWARE", "Classes\\exefile\\shell\\open\\command", "", "C:\\ProgramData\\fake.exe \"%1\" %*");
             winfixture::remove_key(hive(i, "SOFTWARE"), "Classes\\batfile\\shell\\open\\command");
         },
         {kPrograms},
         {{"SOFTWARE", "Classes\\.exe", "", "exefile"},
          {"SOFTWARE", "Classes\\.exe\\shell", "", "(gone)"},
          {"SOFTWARE", "Classes\\exefile\\shell\\open\\command", "", "\"%1\" %*"},
          {"SOFTWARE", "Classes\\batfile\\shell\\open\\command", "", "\"%1\" %*"},
          {"SOFTWARE", "Classes\\.exe\\PersistentHandler", "", "{098f2470-bae0-11cd-b579-08002b30bfeb}"}}},
        {"RegistryFileAssociation",
         [](const Installation& i) { winfixture::remove_key(hive(i, "SOFTWARE"), "Classes\\regfile\\shell\\open"); },
         {kRegFiles},
         {{"SOFTWARE", "Classes\\regfile\\shell\\open\\command", "", "regedit.exe \"%1\""}}},
        {"AppInitDlls",
         [](const Installation& i) {
             set_sz(i, "SOFTWARE", kNt + "Windows", "AppInit_DLLs", "C:\\ProgramData\\hook.dll");
             set_dword(i, "SOFTWARE", kNt + "Windows", "LoadAppInit_DLLs", 1);
             set_sz(i, "SOFTWARE", "Wow6432Node\\" + kNt + "Windows", "AppInit_DLLs", "C:\\ProgramData\\hook32.dll");
         },
         {kAppInit},
         {{"SOFTWARE", kNt + "Windows", "AppInit_DLLs", ""},
          {"SOFTWARE", kNt + "Windows", "LoadAppInit_DLLs", "0"},
          {"SOFTWARE", "Wow6432Node\\" + kNt + "Windows", "AppInit_DLLs", ""}}},
    };
    // Everything at once: every hive changed in one repair, one restore.
    Damage all{"EverythingAtOnce", nullptr, {}, {}};
    std::vector<std::function<void(const Installation&)>> plants;
    for (const Damage& one : d) {
        plants.push_back(one.plant);
        all.found.insert(one.found.begin(), one.found.end());
        all.after.insert(all.after.end(), one.after.begin(), one.after.end());
    }
    all.plant = [plants](const Installation& i) {
        for (const auto& p : plants) p(i);
    };
    d.push_back(all);
    return d;
}

class DamagedInstallation : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedInstallation, ScanFindsExactlyItRepairFixesItRestoreUndoesIt) {
    const Damage& damage = GetParam();
    const Installation inst;
    damage.plant(inst);
    const auto damaged = inst.hive_files();

    auto fix = engine(inst);
    EXPECT_NE(fix->BakHiveFile(), 0);
    const Sections found = scan(*fix);
    EXPECT_EQ(found, damage.found);
    EXPECT_EQ(repair(*fix, found), Sections{});
    EXPECT_EQ(scan(*fix), Sections{});
    EXPECT_EQ(scan(*engine(inst)), Sections{}) << "a fresh engine reads the repaired files";

    for (const Expect& e : damage.after) {
        const std::string file = hive(inst, e.hive);
        if (e.shown == "(gone)")
            EXPECT_FALSE(rulestest::key_exists(file, e.key)) << e.hive << " " << e.key;
        else if (e.shown == "(no value)")
            EXPECT_FALSE(rulestest::stored(file, e.key, e.value)) << e.hive << " " << e.key << " " << e.value;
        else
            EXPECT_EQ(rulestest::hivexsh_value(file, e.key, e.value), e.shown)
                << e.hive << " " << e.key << " " << e.value;
    }
    for (const auto& [path, bytes] : inst.hive_files()) {
        int status = 0;
        hivetest::run("hivexml '" + path + "' > /dev/null 2>&1", &status);
        EXPECT_EQ(status, 0) << "hivexml refuses " << path;
    }

    EXPECT_NE(fix->RestoreHiveFile(), 0);
    EXPECT_EQ(inst.hive_files(), damaged) << "every hive as the first backup held it";
    EXPECT_EQ(scan(*fix), damage.found);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamagedInstallation, ::testing::ValuesIn(damages()),
                         [](const ::testing::TestParamInfo<Damage>& p) { return std::string(p.param.what); });

}  // namespace
