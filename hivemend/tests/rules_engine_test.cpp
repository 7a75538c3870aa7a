// CRegFix on a fixture installation (64-bit Windows 7, users Alice and Bob)
// with small rule files: what a scan finds for each kind of rule, what a
// repair writes to the hive files, backups, restores and the single value
// operations of the installer offer.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "hivefile.h"
#include "hivemend/CRegFix.h"
#include "rules_support.h"

namespace {

namespace fs = std::filesystem;
using rulestest::Installation;
using rulestest::key_exists;
using rulestest::stored;
using rulestest::Stored;
using winfixture::sz;

constexpr int kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4;

class RulesEngine : public ::testing::Test {
protected:
    // An engine on the installation with the rules of `json`.
    std::unique_ptr<CRegFix> engine(const std::string& json) {
        auto fix = std::make_unique<CRegFix>();
        fix->SetHiveFileDriver(inst.root().c_str());
        fix->LoadRuleDB(inst.rules(json).c_str());
        return fix;
    }
    std::string software() const { return inst.win().hive("SOFTWARE"); }
    std::string user(const char* name) const { return inst.win().userHive(name); }

    Installation inst;
};

TEST_F(RulesEngine, RebuildRuleIsFoundUntilRebuiltOnceAndThenNeverForTheEnginesLife) {
    for (const char* view : {"", "Wow6432Node\\"}) {
        winfixture::HiveFile h(software());
        h.set_sz(std::string(view) + "Rescue\\Rebuilt", "Old", "x").key(std::string(view) + "Rescue\\Rebuilt\\Child");
        h.save();
    }
    const std::string json = R"({"Rebuild": [{"key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\Rebuilt",
        "value": {"A": {"type": "REG_SZ", "value": "1"}}, "rebuild": true}]})";
    auto fix = engine(json);
    EXPECT_EQ(fix->getItemState(0), 1);
    EXPECT_EQ(fix->getItemState(0), 1);
    EXPECT_EQ(fix->Repair(0), 1);
    for (const std::string view : {"", "Wow6432Node\\"}) {
        EXPECT_EQ(stored(software(), view + "Rescue\\Rebuilt", "A"), (Stored{kSz, sz("1")})) << view;
        EXPECT_FALSE(stored(software(), view + "Rescue\\Rebuilt", "Old")) << view;
        EXPECT_FALSE(key_exists(software(), view + "Rescue\\Rebuilt\\Child")) << view;
    }
    EXPECT_EQ(fix->getItemState(0), 0);
    EXPECT_EQ(fix->Repair(0), 1);
    // Another engine rebuilds once more.
    EXPECT_EQ(engine(json)->getItemState(0), 1);
}

TEST_F(RulesEngine, RebuildReadsOnlyABoolean) {
    for (const std::string view : {"", "Wow6432Node\\"})
        winfixture::plant_value(software(), view + "Rescue\\Kept", "A", kSz, sz("1"));
    const auto rule = [](const char* rebuild) {
        return std::string(R"([{"key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\Kept",
            "value": {"A": {"type": "REG_SZ", "value": "1"}}, "rebuild": )") +
               rebuild + "}]";
    };
    auto fix =
        engine("{\"yes\": " + rule("\"yes\"") + ", \"1\": " + rule("\"1\"") + ", \"false\": " + rule("false") + "}");
    EXPECT_EQ(fix->getItemState(0), 0) << "\"yes\" is no boolean: a normal rule";
    EXPECT_EQ(fix->getItemState(1), 1);
    EXPECT_EQ(fix->getItemState(2), 0);
}

TEST_F(RulesEngine, DeleteKeyRulesRemoveTheKeyWhereverItIs) {
    winfixture::plant_key(software(), "Wow6432Node\\Rescue\\Gone\\Sub");
    winfixture::plant_value(user("Bob"), "Software\\Rescue\\Gone", "X", kDword, winfixture::dword(1));
    const std::string alice = hivetest::read_file(user("Alice"));
    auto fix = engine(R"({
        "Machine": [{"key": "-HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\Gone", "value": {}}],
        "Users": [{"key": "-HKEY_CURRENT_USER\\Software\\Rescue\\Gone", "value": {}}],
        "Absent, values listed": [{"key": "-HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\Never",
                                   "value": {"V": {"type": "REG_SZ", "value": "x"}}}]})");
    EXPECT_EQ(fix->getItemState(0), 1);
    EXPECT_EQ(fix->getItemState(1), 1);
    EXPECT_EQ(fix->getItemState(2), 0) << "values of a delete-key rule are not looked at";
    EXPECT_EQ(fix->Repair(0), 1);
    EXPECT_EQ(fix->Repair(1), 1);
    EXPECT_FALSE(key_exists(software(), "Wow6432Node\\Rescue\\Gone"));
    EXPECT_FALSE(key_exists(software(), "Rescue\\Gone"));
    EXPECT_TRUE(key_exists(software(), "Wow6432Node\\Rescue")) << "only the rule's key goes";
    EXPECT_FALSE(key_exists(user("Bob"), "Software\\Rescue\\Gone"));
    EXPECT_EQ(hivetest::read_file(user("Alice")), alice) << "a hive without changes is not written";
    EXPECT_EQ(fix->getItemState(0), 0);
    EXPECT_EQ(fix->getItemState(1), 0);
}

TEST_F(RulesEngine, NormalRuleWithAbsentKeyCreatesItInEveryUserWithEveryValue) {
    auto fix = engine(R"({"New": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue\\New\\Deep", "value": {
        "": {"type": "REG_SZ", "value": "default text"},
        "Text": {"type": "REG_SZ", "value": "h\u00e9llo"},
        "Number": {"type": "REG_DWORD", "value": -2},
        "Bytes": {"type": "REG_BINARY", "value": "01,02,ff"},
        "Path": {"type": "REG_EXPAND_SZ", "value": "25,00,58,00,25,00,00,00"}}}]})");
    EXPECT_EQ(fix->getItemState(0), 1);
    EXPECT_EQ(fix->Repair(0), 1);
    for (const char* u : {"Alice", "Bob"}) {
        const std::string k = "Software\\Rescue\\New\\Deep";
        EXPECT_EQ(stored(user(u), k, ""), (Stored{kSz, sz("default text")})) << u;
        EXPECT_EQ(stored(user(u), k, "Text"), (Stored{kSz, sz("h\xC3\xA9llo")})) << u;
        EXPECT_EQ(stored(user(u), k, "Number"), (Stored{kDword, std::string("\xFE\xFF\xFF\xFF", 4)})) << u;
        EXPECT_EQ(stored(user(u), k, "Bytes"), (Stored{kBinary, std::string("\x01\x02\xFF", 3)})) << u;
        EXPECT_EQ(stored(user(u), k, "Path"), (Stored{kExpandSz, sz("%X%")})) << u;
    }
    EXPECT_EQ(fix->getItemState(0), 0);
}

TEST_F(RulesEngine, EmptyValueNameIsNeverComparedButTheDefaultNameIs) {
    winfixture::plant_value(software(), "Classes\\rescuefile", "", kSz, sz("other"));
    auto fix = engine(R"json({
        "Empty name": [{"key": "HKEY_CLASSES_ROOT\\rescuefile", "value": {"": {"type": "REG_SZ", "value": "mine"}}}],
        "(default)": [{"key": "HKEY_CLASSES_ROOT\\rescuefile", "value": {"(default)": {"type": "REG_SZ", "value": "mine"}}}]})json");
    EXPECT_EQ(fix->getItemState(0), 0);
    EXPECT_EQ(fix->getItemState(1), 1);
    EXPECT_EQ(fix->Repair(1), 1);
    EXPECT_EQ(stored(software(), "Classes\\rescuefile", ""), (Stored{kSz, sz("mine")}));
    EXPECT_FALSE(key_exists(software(), "Wow6432Node\\Classes\\rescuefile")) << "classes have no mirror";
    EXPECT_EQ(fix->getItemState(1), 0);
}

TEST_F(RulesEngine, AValueIsJudgedAndFixedInBothSoftwareViews) {
    winfixture::plant_value(software(), "Rescue\\V", "X", kSz, sz("good"));
    winfixture::plant_value(software(), "Wow6432Node\\Rescue\\V", "X", kSz, sz("bad"));
    auto fix = engine(R"({"V": [{"key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\V",
        "value": {"X": {"type": "REG_SZ", "value": "good"}}}]})");
    EXPECT_EQ(fix->getItemState(0), 1);
    EXPECT_EQ(fix->Repair(0), 1);
    EXPECT_EQ(stored(software(), "Wow6432Node\\Rescue\\V", "X"), (Stored{kSz, sz("good")}));
    EXPECT_EQ(fix->getItemState(0), 0);
}

// "absent": "allowed" asks nothing of a key or value that is not there and
// resets only where other data is; "absent": "required" deletes the value
// only where it is; "ignore case" compares text as Windows reads paths. No
// hive in which the value already stands right is written, and the key's
// other values stay.
TEST_F(RulesEngine, ValuesThatMayOrMustBeAbsentAreFixedOnlyWhereWrong) {
    const std::string k = "Software\\Rescue\\Policy";
    winfixture::plant_value(user("Alice"), k, "Block", kDword, winfixture::dword(1));
    winfixture::plant_value(user("Alice"), k, "Other", kDword, winfixture::dword(7));
    winfixture::plant_value(user("Bob"), k, "Hook", kSz, sz("C:\\evil.dll"));
    winfixture::plant_value(user("Bob"), k, "Shell", kSz, sz("EXPLORER.EXE"));
    const std::string bob = hivetest::read_file(user("Bob"));
    auto fix = engine(R"({
        "Allowed": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue\\Policy",
                     "value": {"Block": {"type": "REG_DWORD", "value": "0", "absent": "allowed"}}}],
        "Required": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue\\Policy",
                      "value": {"Hook": {"type": "REG_SZ", "value": "", "absent": "required"}}}],
        "Case": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue\\Policy",
                  "value": {"Shell": {"type": "REG_SZ", "value": "explorer.exe", "absent": "allowed", "ignore case": true}}}],
        "Exact": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue\\Policy",
                   "value": {"Shell": {"type": "REG_SZ", "value": "explorer.exe", "absent": "allowed"}}}],
        "No key": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue\\Missing",
                    "value": {"Block": {"type": "REG_DWORD", "value": "0", "absent": "allowed"},
                              "Hook": {"type": "REG_SZ", "value": "", "absent": "required"}}}]})");
    std::vector<int> states;
    for (unsigned i = 0; i < fix->getCount(); ++i) states.push_back(fix->getItemState(i));
    EXPECT_EQ(states, (std::vector<int>{1, 1, 0, 1, 0}));

    EXPECT_EQ(fix->Repair(0), 1);
    EXPECT_EQ(stored(user("Alice"), k, "Block"), (Stored{kDword, winfixture::dword(0)}));
    EXPECT_EQ(stored(user("Alice"), k, "Other"), (Stored{kDword, winfixture::dword(7)}));
    EXPECT_FALSE(stored(user("Bob"), k, "Block")) << "absent, so allowed: not written";
    EXPECT_EQ(hivetest::read_file(user("Bob")), bob) << "Bob's hive stood right and is not rewritten";

    EXPECT_EQ(fix->Repair(1), 1);
    EXPECT_FALSE(stored(user("Bob"), k, "Hook"));
    EXPECT_EQ(stored(user("Bob"), k, "Shell"), (Stored{kSz, sz("EXPLORER.EXE")}));
    EXPECT_FALSE(key_exists(user("Alice"), "Software\\Rescue\\Missing"));
    for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(fix->getItemState(i), 0) << i;
}

TEST_F(RulesEngine, WriteValueStrCreatesMissingKeysOfTheKeyAloneWithoutRules) {
    CRegFix fix;
    fix.SetHiveFileDriver(inst.root().c_str());
    const char* run_once = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Rescue\\Deeper";
    EXPECT_FALSE(fix.IsValueExist(run_once, "Setup"));
    EXPECT_TRUE(fix.WriteValueStr(run_once, "Setup", "C:\\Wardline\\setup.exe /once"));
    EXPECT_TRUE(fix.IsValueExist(run_once, "Setup"));
    EXPECT_FALSE(fix.IsValueExist(run_once, "Other"));
    const std::string k = "Microsoft\\Windows\\CurrentVersion\\RunOnce\\Rescue\\Deeper";
    EXPECT_EQ(stored(software(), k, "Setup"), (Stored{kSz, sz("C:\\Wardline\\setup.exe /once")}));
    EXPECT_FALSE(key_exists(software(), "Wow6432Node\\" + k));

    EXPECT_TRUE(fix.WriteValueStr("HKEY_CURRENT_USER\\Software\\Rescue", "", "t"));
    for (const char* u : {"Alice", "Bob"}) EXPECT_EQ(stored(user(u), "Software\\Rescue", ""), (Stored{kSz, sz("t")}));

    // Refused rather than cut or misrouted; nothing written.
    EXPECT_FALSE(fix.WriteValueStr(run_once, "Long", std::string(2048, 'x').c_str()));
    EXPECT_FALSE(fix.WriteValueStr(run_once, "Bad", "\xC3"));
    EXPECT_FALSE(fix.IsValueExist(run_once, "Long"));
    EXPECT_FALSE(fix.WriteValueStr("HKEY_LOCAL_MACHINE\\SOFTWARE", "x", "y"));
    EXPECT_FALSE(fix.IsValueExist("HKEY_USERS\\S-1-5-19\\x", "y"));
}

TEST_F(RulesEngine, RepairFailsWhenAnyRuleFailsAndScansSeeOnlyWhatReachedTheFiles) {
    auto fix = engine(R"({"Two": [
        {"key": "HKEY_CURRENT_USER\\Software\\Rescue\\A", "value": {"X": {"type": "REG_DWORD", "value": "1"}}},
        {"key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\B", "value": {"Y": {"type": "REG_DWORD", "value": "1"}}}]})");
    EXPECT_EQ(fix->getItemState(0), 1);
    // Alice's profile folder cannot take her hive back: its save fails.
    const fs::path folder = fs::path(user("Alice")).parent_path();
    fs::rename(folder, folder.string() + ".away");
    hivetest::write_file(folder.string(), "not a folder");
    EXPECT_EQ(fix->Repair(0), 0);
    fs::remove(folder);
    fs::rename(folder.string() + ".away", folder);

    EXPECT_EQ(stored(software(), "Rescue\\B", "Y"), (Stored{kDword, winfixture::dword(1)}));
    EXPECT_FALSE(key_exists(user("Alice"), "Software\\Rescue\\A"));
    EXPECT_TRUE(fix->ScanItem(0)) << "Alice's fix never reached her file";
    EXPECT_FALSE(fix->ScanItem(1));
    EXPECT_EQ(fix->Repair(0), 1);
    EXPECT_EQ(fix->getItemState(0), 0);
}

TEST_F(RulesEngine, RestoreBringsBackTheFirstBackupAndDropsOpenImages) {
    auto fix = engine(R"({
        "A": [{"key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\A", "value": {}}],
        "B": [{"key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rescue\\B", "value": {}}]})");
    const auto before = inst.hive_files();
    EXPECT_NE(fix->BakHiveFile(), 0);
    EXPECT_EQ(fix->BakHiveFile(), 0) << "a backup that exists is kept";
    EXPECT_EQ(fix->getItemState(0), 1);
    EXPECT_EQ(fix->Repair(0), 1);
    EXPECT_NE(hivetest::read_file(software()), before.at(software()));
    EXPECT_EQ(fix->BakHiveFile(), 0);
    for (const auto& [path, bytes] : before) EXPECT_EQ(hivetest::read_file(path + ".bhv"), bytes) << path;

    EXPECT_NE(fix->RestoreHiveFile(), 0);
    EXPECT_EQ(inst.hive_files(), before);
    // A later repair starts from the restored files: A stays undone.
    EXPECT_EQ(fix->getItemState(1), 1);
    EXPECT_EQ(fix->Repair(1), 1);
    EXPECT_TRUE(key_exists(software(), "Rescue\\B"));
    EXPECT_FALSE(key_exists(software(), "Rescue\\A"));
    EXPECT_EQ(fix->getItemState(0), 1);
}

TEST(RulesEngineWithoutInstallation, FailsOrDoesNothing) {
    hivetest::ScratchDir empty;
    CRegFix fix;
    EXPECT_EQ(fix.BakHiveFile(), 0);
    EXPECT_EQ(fix.RestoreHiveFile(), 0);
    EXPECT_THROW(fix.SetHiveFileDriver(empty.path().c_str()), std::runtime_error);
    EXPECT_EQ(fix.BakHiveFile(), 0);
    EXPECT_FALSE(fix.WriteValueStr("HKEY_LOCAL_MACHINE\\SOFTWARE\\x", "y", "z"));
}

}  // namespace
