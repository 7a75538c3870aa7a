// CAppRegstry on offline Windows installations built by the fixture: routing,
// letter case on disk, control sets, the Wow6432Node mirror, every user's
// hive, saving, backup and restore.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include "hivemend/CAppRegstry.h"
#include "support.h"
#include "winfixture.h"

using namespace hivetest;

namespace {

const std::string kRun = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

ino_t inode(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class Installation : public ::testing::Test {
protected:
    void build(const winfixture::Options& o = {}) {
        inst_ = winfixture::build(dir_.file("win" + std::to_string(builds_++)), o);
        app_ = std::make_unique<CAppRegstry>();
        app_->SetHiveFileDriver(inst_.root.c_str());
    }
    void SetUp() override { build(); }
    // The offset a handle on a single-file hive must hold for `path`.
    static unsigned offset(const _APP_REG_HANDLE* h, const char* path) { return h->object->GetOffset(path, 0); }
    int check_value(const std::string& key, const char* name, const std::string& data) {
        _APP_REG_HANDLE* h = app_->OpenKey(key.c_str(), 0);
        const int r = app_->CheckValue(h, name, REG_SZ, data.data(), static_cast<int>(data.size()));
        app_->CloseKey(h);
        return r;
    }
    ScratchDir dir_;
    int builds_ = 0;
    winfixture::Installation inst_;
    std::unique_ptr<CAppRegstry> app_;
};

struct Route {
    const char* path;
    int index;
    const char* key;
};

class Routing : public ::testing::TestWithParam<Route> {};

TEST_P(Routing, PrefixesChooseTheHive) {
    CAppRegstry app;
    char key[324] = "";
    int index = -1;
    EXPECT_EQ(app.ParseKeyPath(GetParam().path, key, &index), 0);
    EXPECT_EQ(index, GetParam().index);
    EXPECT_STREQ(key, GetParam().key);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Routing,
    ::testing::Values(
        Route{"hkey_local_machine\\software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
              "Microsoft\\Windows\\CurrentVersion\\Run"},
        Route{"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services", 3, "CurrentControlSet\\Services"},
        Route{"HKEY_CURRENT_USER\\Software\\Microsoft", 8, "Software\\Microsoft"},
        Route{"HKEY_LOCAL_MACHINE\\SECURITY\\Policy", 2, "Policy"}, Route{"HKEY_LOCAL_MACHINE\\SAM\\SAM", 1, "SAM"},
        Route{"HKEY_CLASSES_ROOT\\.exe", 0, "Classes\\.exe"},
        Route{"HKEY_USERS\\.DEFAULT\\Control Panel", 4, "Control Panel"},
        Route{"HKEY_USERS\\S-1-5-18\\Software", 5, "Software"}, Route{"HKEY_USERS\\S-1-5-19\\Software", 6, "Software"},
        Route{"HKEY_LOCAL_MACHINE\\SOFTWARE", 10, "HKEY_LOCAL_MACHINE\\SOFTWARE"},
        Route{"HKEY_USERS\\S-1-5-20\\x", 10, "HKEY_USERS\\S-1-5-20\\x"}));

TEST(RoutingLimits, KeyPathsThatDoNotFitAreRefused) {
    CAppRegstry app;
    char key[324] = "";
    int index = -1;
    const std::string path = "HKEY_CURRENT_USER\\" + std::string(330, 'k');
    EXPECT_EQ(app.ParseKeyPath(path.c_str(), key, &index), -1);
    EXPECT_EQ(app.OpenKey(path.c_str(), 1), nullptr);
    EXPECT_THROW(app.SetHiveFileDriver(std::string(256, 'r').c_str()), std::runtime_error);
}

TEST_F(Installation, ReadsTheVersionAndFindsTheHiveFiles) {
    EXPECT_STREQ(app_->GetVersion(), "6.1");
    EXPECT_STREQ(app_->GetSystemRoot(), "C:\\Windows");
    EXPECT_FALSE(app_->IsXP());
    char file[260];
    app_->GetHiveFile(8, file);
    EXPECT_EQ(std::string(file), inst_.usersFolder());

    winfixture::Options xp;
    xp.version = winfixture::Version::XP;
    build(xp);
    EXPECT_TRUE(app_->IsXP());
    EXPECT_STREQ(app_->GetSystemRoot(), "C:\\WINDOWS");
    app_->GetHiveFile(0, file);
    EXPECT_EQ(std::string(file), inst_.root + "/WINDOWS/system32/config/SOFTWARE");
    app_->GetHiveFile(8, file);
    EXPECT_EQ(std::string(file), inst_.root + "/Documents and Settings");
    _APP_REG_HANDLE* h = app_->OpenKey(kRun.c_str(), 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(app_->CheckDelKey(h), 1);
    EXPECT_EQ(h->table()->entries[1].inactive, 1) << "XP has no Wow6432Node";
    app_->CloseKey(h);

    CAppRegstry none;
    EXPECT_THROW(none.SetHiveFileDriver(dir_.file("nothing").c_str()), std::runtime_error);
}

TEST_F(Installation, HandlesForMissingKeysAndUnroutedPaths) {
    EXPECT_EQ(app_->OpenKey("HKEY_USERS\\S-1-5-19\\Software", 0), nullptr);
    EXPECT_EQ(app_->OpenKey("HKEY_LOCAL_MACHINE\\SOFTWARE", 0), nullptr);
    _APP_REG_HANDLE* h = app_->OpenKey("HKEY_LOCAL_MACHINE\\SAM\\SAM\\NoSuchKey", 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->key, 0u);
    EXPECT_EQ(app_->CheckAddKey(h), 1);
    EXPECT_EQ(app_->CheckDelKey(h), 0);
    const uint32_t one = 1;
    EXPECT_EQ(app_->FixKey(h, "v", 1, REG_DWORD, &one, 4), 0) << "nothing is written in place of a missing key";
    EXPECT_EQ(h->object->GetValueCount(0), 0);
    EXPECT_EQ(app_->CheckValue(h, "v", REG_DWORD, &one, 4), 0);
    EXPECT_EQ(app_->CheckValue(h, "", REG_DWORD, &one, 4), 1);
    const uintptr_t made = app_->AddSubKey(h, "HKEY_LOCAL_MACHINE\\SAM\\SAM\\NoSuchKey", nullptr);
    ASSERT_TRUE(made);
    EXPECT_EQ(made, offset(h, "SAM\\NoSuchKey"));
    h->key = made;
    EXPECT_EQ(app_->FixKey(h, "v", 1, REG_DWORD, &one, 4), 4);
    EXPECT_EQ(app_->CheckValue(h, "v", REG_DWORD, &one, 4), 1);
    EXPECT_TRUE(app_->FixKey(h, "v", 7, 0, nullptr, 0));
    EXPECT_EQ(app_->FixKey(h, nullptr, 3, 0, nullptr, 0), 1);
    EXPECT_EQ(h->key, 0u) << "a deleted key leaves the handle";
    EXPECT_EQ(app_->CheckAddKey(h), 1);
    app_->CloseKey(h);
    app_->CloseKey(nullptr);
}

TEST_F(Installation, CurrentControlSetFollowsSelect) {
    const char* path = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip";
    _APP_REG_HANDLE* h = app_->OpenKey(path, 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->key, offset(h, "ControlSet001\\Services\\Tcpip"));
    app_->CloseKey(h);

    struct Case {
        const char* change;
        const char* expected;
    } cases[] = {
        {"no Select", "ControlSet002"}, {"ControlSet001 only", "ControlSet001"}, {"Current=2", "ControlSet002"}};
    for (const Case& c : cases) {
        build();
        {
            winfixture::HiveFile sys(inst_.hive("SYSTEM"));
            if (std::string(c.change) == "no Select") sys.remove_key("Select");
            if (std::string(c.change) == "ControlSet001 only") {
                sys.remove_key("Select");
                sys.remove_key("ControlSet002");
            }
            if (std::string(c.change) == "Current=2") sys.set_dword("Select", "Current", 2);
            sys.save();
        }
        h = app_->OpenKey(path, 0);
        ASSERT_TRUE(h) << c.change;
        EXPECT_EQ(h->key, offset(h, (std::string(c.expected) + "\\Services\\Tcpip").c_str())) << c.change;
        app_->CloseKey(h);
    }
    char translated[324];
    CKRegstrySystem sys;
    EXPECT_EQ(sys.ConverKeypath("CurrentControlSet", translated), 0);
    EXPECT_STREQ(translated, "CurrentControlSet") << "no hive, no control set";
    EXPECT_TRUE(CKRegstrySystem::IsNeedKey("ControlSet001"));
    EXPECT_FALSE(CKRegstrySystem::IsNeedKey("ControlSet01"));
    EXPECT_FALSE(CKRegstrySystem::IsNeedKey("ControlSet0011"));
}

TEST_F(Installation, CreatingUnderCurrentControlSetCreatesInTheControlSet) {
    _APP_REG_HANDLE* h = app_->OpenKey("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Evil\\Parameters", 1);
    ASSERT_TRUE(h);
    EXPECT_TRUE(h->key);
    EXPECT_EQ(h->key, offset(h, "ControlSet001\\Services\\Evil\\Parameters"));
    EXPECT_EQ(offset(h, "CurrentControlSet"), 0u);
    app_->CloseKey(h);
}

TEST_F(Installation, SoftwareHandlesCoverTheWow6432NodeMirror) {
    const std::string only_mirror = kRun + "\\Only32";
    winfixture::plant_key(inst_.hive("SOFTWARE"), "Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\Only32");
    _APP_REG_HANDLE* h = app_->OpenKey(only_mirror.c_str(), 0);
    ASSERT_TRUE(h);
    EXPECT_EQ(app_->CheckAddKey(h), 1);
    EXPECT_EQ(app_->CheckDelKey(h), 1);
    const unsigned mirror = h->table()->entries[1].key;
    EXPECT_EQ(app_->AddSubKey(h, only_mirror.c_str(), nullptr), h->key);
    EXPECT_TRUE(h->table()->entries[0].key);
    EXPECT_EQ(h->table()->entries[1].key, mirror);
    EXPECT_EQ(app_->CheckAddKey(h), 0);

    const std::string evil("e\0v\0i\0l\0\0\0", 10);
    EXPECT_EQ(app_->FixKey(h, "Evil", 1, REG_SZ, evil.data(), static_cast<int>(evil.size())), 10);
    app_->CloseKey(h);
    EXPECT_EQ(check_value(only_mirror, "Evil", evil), 1) << "written into both views";
    app_->SetWow6432(2);
    EXPECT_EQ(app_->GetWow6432(), 2);
    h = app_->OpenKey(only_mirror.c_str(), 0);
    EXPECT_EQ(h->table()->entries[1].inactive, 1);
    EXPECT_EQ(app_->FixKey(h, "Evil", 0, 0, nullptr, 0), 0);
    EXPECT_EQ(app_->CheckValue(h, "Evil", REG_SZ, evil.data(), 10), 0);
    app_->CloseKey(h);
    app_->SetWow6432(3);
    EXPECT_EQ(check_value(only_mirror, "Evil", evil), 1) << "mode 3 sees the mirror alone";
    app_->SetWow6432(1);
    EXPECT_EQ(check_value(only_mirror, "Evil", evil), 0);

    h = app_->OpenKey("HKEY_CLASSES_ROOT\\.exe", 0);
    EXPECT_EQ(h->table()->entries[1].inactive, 1) << "Classes has no mirror";
    EXPECT_EQ(app_->CheckDelKey(h), 1);
    app_->CloseKey(h);

    h = app_->OpenKey(only_mirror.c_str(), 0);
    EXPECT_EQ(app_->FixKey(h, nullptr, 3, 0, nullptr, 0), 1);
    EXPECT_EQ(app_->CheckDelKey(h), 0);
    app_->CloseKey(h);
    h = app_->OpenKey(only_mirror.c_str(), 0);
    EXPECT_EQ(app_->CheckDelKey(h), 0) << "both views deleted";
    app_->CloseKey(h);
}

TEST_F(Installation, CurrentUserCoversEveryPersonsHive) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string data("x\0\0\0", 4);
    _APP_REG_HANDLE* h = app_->OpenKey(key.c_str(), 0);
    ASSERT_TRUE(h);
    ASSERT_EQ(h->table()->entries.size(), 2u) << "Alice and Bob, not Default, All Users or Public";
    app_->CloseKey(h);
    std::vector<std::string> hives;
    EXPECT_EQ(CRegNtuser::GetUserHive(inst_.usersFolder().c_str(), &hives), 2);
    EXPECT_EQ(hives, (std::vector<std::string>{inst_.userHive("Alice"), inst_.userHive("Bob")}));

    build();
    winfixture::plant_value(inst_.userHive("Bob"), "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "x", REG_SZ,
                            data);
    EXPECT_EQ(check_value(key, "x", data), 0) << "Alice lacks it";
    h = app_->OpenKey(key.c_str(), 0);
    EXPECT_EQ(app_->FixKey(h, "x", 1, REG_SZ, data.data(), 4), 4);
    EXPECT_EQ(app_->CheckValue(h, "x", REG_SZ, data.data(), 4), 1);
    app_->CloseKey(h);

    h = app_->OpenKey("HKEY_CURRENT_USER\\Software\\Evil", 0);
    EXPECT_EQ(app_->CheckAddKey(h), 1);
    EXPECT_EQ(app_->CheckEmpty(h), 0);
    h->key = app_->AddSubKey(h, "HKEY_CURRENT_USER\\Software\\Evil", nullptr);
    EXPECT_EQ(app_->CheckAddKey(h), 0);
    EXPECT_EQ(app_->CheckEmpty(h), 1);
    app_->CloseKey(h);
    EXPECT_EQ(app_->ApplyChange(), 1);
    for (const char* user : {"Alice", "Bob"}) {
        winfixture::HiveFile f(inst_.userHive(user));
        EXPECT_TRUE(f.has_key("Software\\Evil")) << user;
    }

    winfixture::Options nobody;
    nobody.users.clear();
    build(nobody);
    EXPECT_EQ(app_->OpenKey(key.c_str(), 0), nullptr);
}

// A hive that cannot be opened throws once (a single-file hive) and gives
// null afterwards; a user's hive is left out of the users' handles. Either
// way OpenProblem names the file and why, so that nothing it stands for is
// taken as judged.
TEST_F(Installation, AHiveThatCannotBeOpenedIsNamedWithItsCause) {
    std::filesystem::remove(inst_.hive("SAM"));
    EXPECT_THROW(app_->OpenKey("HKEY_LOCAL_MACHINE\\SAM\\SAM", 0), std::runtime_error);
    EXPECT_EQ(app_->OpenKey("HKEY_LOCAL_MACHINE\\SAM\\SAM", 0), nullptr);
    EXPECT_EQ(app_->OpenProblem("HKEY_LOCAL_MACHINE\\SAM\\SAM"),
              "cannot open " + inst_.hive("SAM") + ": the file does not exist");
    write_file(inst_.hive("SYSTEM"), "");
    EXPECT_EQ(app_->OpenKey("HKEY_LOCAL_MACHINE\\SYSTEM\\Select", 0), nullptr);
    EXPECT_EQ(app_->OpenProblem("HKEY_LOCAL_MACHINE\\SYSTEM\\Select"),
              "cannot open " + inst_.hive("SYSTEM") + ": the file is empty");
    write_file(inst_.userHive("Bob"), "regf but nothing else");
    _APP_REG_HANDLE* h = app_->OpenKey("HKEY_CURRENT_USER\\Software", 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->table()->entries.size(), 1u) << "Alice's hive alone";
    app_->CloseKey(h);
    EXPECT_EQ(app_->OpenProblem("HKEY_CURRENT_USER\\Software"),
              "cannot open " + inst_.userHive("Bob") + ": not a registry hive (21 bytes, shorter than its base block)");
    EXPECT_EQ(app_->OpenProblem("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft"), "");
    EXPECT_EQ(app_->ApplyChange(), 1);
}

TEST_F(Installation, ApplyChangeWritesOnlyChangedHives) {
    for (const char* key : {kRun.c_str(), "HKEY_LOCAL_MACHINE\\SYSTEM\\Select", "HKEY_CURRENT_USER\\Software",
                            "HKEY_USERS\\.DEFAULT\\Software", "HKEY_USERS\\S-1-5-18\\Software"})
        app_->CloseKey(app_->OpenKey(key, 0));
    const std::vector<std::string> files = {inst_.hive("SOFTWARE"), inst_.hive("SYSTEM"),    inst_.hive("DEFAULT"),
                                            inst_.localService(),   inst_.userHive("Alice"), inst_.userHive("Bob")};
    std::vector<ino_t> before;
    std::vector<std::string> bytes;
    for (const auto& f : files) {
        before.push_back(inode(f));
        bytes.push_back(read_file(f));
    }
    _APP_REG_HANDLE* h = app_->OpenKey(kRun.c_str(), 0);
    const std::string data("m\0\0\0", 4);
    app_->FixKey(h, "Malware", 1, REG_SZ, data.data(), 4);
    app_->CloseKey(h);
    EXPECT_EQ(app_->ApplyChange(), 1);
    EXPECT_NE(inode(files[0]), before[0]);
    EXPECT_NE(read_file(files[0]), bytes[0]);
    for (size_t i = 1; i < files.size(); ++i) {
        EXPECT_EQ(inode(files[i]), before[i]) << files[i];
        EXPECT_EQ(read_file(files[i]), bytes[i]) << files[i];
    }
    EXPECT_EQ(check_value(kRun, "Malware", data), 1);
    CAppRegstry fresh;
    fresh.SetHiveFileDriver(inst_.root.c_str());
    h = fresh.OpenKey(kRun.c_str(), 0);
    EXPECT_EQ(fresh.CheckValue(h, "Malware", REG_SZ, data.data(), 4), 1) << "saved to disk";
    fresh.CloseKey(h);
}

TEST_F(Installation, ApplyChangeReportsSavesThatFail) {
    app_->CloseKey(app_->OpenKey("HKEY_CURRENT_USER\\Software\\New", 1));
    std::filesystem::rename(inst_.root + "/Users/Bob", inst_.root + "/Bob-moved");
    EXPECT_EQ(app_->ApplyChange(), 0) << "Alice saved, Bob not: not a success";
}

TEST_F(Installation, BackupKeepsTheFirstStateAndRestoreBringsItBack) {
    // LocalService included: its hive is backed up, so it is restored too.
    const std::vector<std::string> restored = {inst_.hive("SOFTWARE"),  inst_.hive("SYSTEM"), inst_.hive("DEFAULT"),
                                               inst_.hive("SECURITY"),  inst_.hive("SAM"),    inst_.localService(),
                                               inst_.userHive("Alice"), inst_.userHive("Bob")};
    std::vector<std::string> original;
    for (const auto& f : restored) original.push_back(read_file(f));

    EXPECT_EQ(app_->BakHiveFile(), 1);
    for (size_t i = 0; i < restored.size(); ++i) EXPECT_EQ(read_file(restored[i] + ".bhv"), original[i]) << restored[i];
    EXPECT_FALSE(std::filesystem::exists(inst_.usersFolder() + "/Default/NTUSER.DAT.bhv"));

    for (const char* key :
         {kRun.c_str(), "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip",
          "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "HKEY_USERS\\S-1-5-18\\Software"}) {
        _APP_REG_HANDLE* h = app_->OpenKey(key, 0);
        app_->FixKey(h, "Changed", 1, REG_BINARY, "\x01", 1);
        app_->CloseKey(h);
    }
    EXPECT_EQ(app_->ApplyChange(), 1);
    EXPECT_EQ(app_->BakHiveFile(), 0) << "backups are never replaced";
    for (size_t i = 0; i < restored.size(); ++i) EXPECT_EQ(read_file(restored[i] + ".bhv"), original[i]) << restored[i];

    EXPECT_EQ(app_->RestoreHiveFile(), 1);
    for (size_t i = 0; i < restored.size(); ++i) EXPECT_EQ(read_file(restored[i]), original[i]) << restored[i];
}

// A hive that is a symbolic link (to a copy on another disk, say) stays one
// through a backup and a restore, and the file it leads to is restored.
TEST_F(Installation, RestoreThroughASymbolicLinkWritesItsTarget) {
    const std::string hive = inst_.userHive("Bob");
    const std::string target = dir_.file("Bob-NTUSER.DAT");
    std::filesystem::rename(hive, target);
    std::filesystem::create_symlink(target, hive);
    const std::string original = read_file(target);
    EXPECT_EQ(app_->BakHiveFile(), 1);
    app_->CloseKey(app_->OpenKey("HKEY_CURRENT_USER\\Software\\Planted", 1));
    EXPECT_EQ(app_->ApplyChange(), 1);
    ASSERT_NE(read_file(target), original);
    EXPECT_TRUE(std::filesystem::is_symlink(hive));

    EXPECT_EQ(app_->RestoreHiveFile(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(hive)) << "the link is not replaced by a file";
    EXPECT_EQ(read_file(target), original);
}

}  // namespace
