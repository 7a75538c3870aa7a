// CKRegstry: a hive file as an object, on real samples and on hives it
// writes itself, read back by the hivex tools.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "hivemend/CKRegstry.h"
#include "hivemend/regfile.h"
#include "regtext_support.h"

using namespace hivetest;

namespace {

std::string sz(const std::string& ascii) {
    std::string out;
    for (const char c : ascii) out += std::string(1, c) + '\0';
    return out + std::string(2, '\0');
}

std::string pattern(int n) {
    std::string s(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = static_cast<char>(i * 13 + i / 977);
    return s;
}

// A hive object that shows its image to the checks that look at records.
class TestRegstry : public CKRegstry {
public:
    Hive* image() { return hive; }
};

// A writable copy of the empty sample hive, opened.
class Fresh : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = dir_.copy(sample("minimal"), "hive");
        r_.OpenFileHive(file_.c_str());
    }
    Tree saved_tree_by_hivex() {
        EXPECT_EQ(r_.SaveHive(), 1);
        return parse_reg(hivex_export(file_, "\\"), "");
    }
    ScratchDir dir_;
    std::string file_;
    TestRegstry r_;
};

TEST(Opening, FindsTheFileWhateverItsLetterCase) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.file("Windows/System32/config"));
    dir.copy(sample("SYSTEM"), "Windows/System32/config/SYSTEM");
    const std::string asked = dir.file("windows/system32/config/system");
    CKRegstry r;
    EXPECT_EQ(r.OpenFileHive(asked.c_str()), 1);
    EXPECT_TRUE(r.IsValid());
    char name[260];
    ASSERT_EQ(r.GetHiveFileName(name, sizeof name), 0);
    EXPECT_EQ(name, asked);
    ASSERT_EQ(r.GetBakHiveFileName(name, sizeof name), 0);
    EXPECT_EQ(name, asked + ".bhv");
    EXPECT_EQ(r.GetBakHiveFileName(name, static_cast<int>(asked.size()) + 4), -1);
    EXPECT_TRUE(r.GetOffset("ControlSet001", 0));
}

TEST(Opening, MissingFilesAndOverlongPathsThrowAndLeaveNoHive) {
    ScratchDir dir;
    const std::string longpath = dir.path() + "/" + std::string(300, 'a');
    for (const std::string& path : {dir.file("no/such/SOFTWARE"), longpath}) {
        CKRegstry r;
        EXPECT_THROW(r.OpenFileHive(path.c_str()), std::runtime_error) << path;
        EXPECT_FALSE(r.IsValid());
        EXPECT_EQ(r.SaveHive(), 0);
        EXPECT_EQ(r.GetOffset("", 0), 0u);
    }
    try {
        CKRegstry r;
        r.OpenFileHive(dir.file("SOFTWARE").c_str());
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Open file failed, make sure the file(" + dir.file("SOFTWARE") + ") exist!");
    }
}

TEST(Lookup, FullNamesForOffsetsAndPrefixesForFindKey) {
    CKRegstry r;
    r.OpenFileHive(sample("NTUSER.DAT").c_str());
    const unsigned sm = r.GetOffset("software\\microsoft", 0);
    ASSERT_TRUE(sm);
    EXPECT_EQ(r.GetOffset("Software\\Micro", 0), 0u);
    const nk_key* found = r.FindKey("Software\\Micro", 0);
    ASSERT_TRUE(found);
    EXPECT_EQ(r.keyoffset(found), sm);
    EXPECT_EQ(r.keyoffset(reinterpret_cast<const char*>(found) + 8), 0u);
    EXPECT_EQ(r.GetParentKey(static_cast<int>(sm)), r.GetOffset("Software", 0));
    EXPECT_EQ(r.GetParentKey(static_cast<int>(r.RootKeyOfs())), 0u);
    EXPECT_EQ(r.GetSubkeyCount(0), r.RootKey()->no_subkeys);
    _REG_SUBKEYS subs{};
    EXPECT_EQ(r.EnumSubkeys(r.GetOffset("Software", 0), &subs, nullptr), 0);
    ASSERT_GT(subs.count, 0);
    const auto it =
        std::find_if(subs.names, subs.names + subs.count, [](const char* n) { return !strcmp(n, "Microsoft"); });
    ASSERT_NE(it, subs.names + subs.count);
    EXPECT_EQ(subs.offsets[it - subs.names], sm);
    EXPECT_EQ(subs.subkeys[it - subs.names], r.GetSubkeyCount(sm));
    FreeSubKeylist(&subs);
}

TEST_F(Fresh, AddSubKeyCreatesTheMissingPartOnly) {
    ASSERT_TRUE(r_.AddSubKey(0, "A", nullptr));
    int err = 0;
    const unsigned c = r_.AddSubKey(0, "A\\B\\C", &err);
    ASSERT_TRUE(c);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(r_.GetOffset("a\\b\\c", 0), c);
    EXPECT_EQ(r_.AddSubKey(0, "A\\B\\C", &err), c);
    EXPECT_EQ(err, 2);
    EXPECT_EQ(r_.AddSubKey(r_.GetOffset("A", 0), "\\B\\\\C\\", nullptr), c) << "empty names stay at the key";
}

TEST_F(Fresh, AddSubKeyRefusesLongPathsAndNamesBeforeCreatingAnything) {
    const std::string ok = std::string(200, 'x') + "\\" + std::string(118, 'y');
    ASSERT_EQ(ok.size(), 319u);
    EXPECT_TRUE(r_.AddSubKey(0, ok.c_str(), nullptr));
    const int before = r_.GetSubkeyCount(0);
    for (const std::string& bad :
         {std::string("new\\") + std::string(316, 'z'), std::string("new\\") + std::string(256, 'n')}) {
        EXPECT_EQ(r_.AddSubKey(0, bad.c_str(), nullptr), 0u) << bad.size();
        EXPECT_EQ(r_.GetSubkeyCount(0), before);
        EXPECT_EQ(r_.GetOffset("new", 0), 0u);
    }
}

TEST_F(Fresh, SetValueModesTypesAndTheUnnamedValue) {
    const unsigned k = r_.AddSubKey(0, "K", nullptr);
    const std::string text = sz("text");
    EXPECT_EQ(r_.SetValue(k, REG_SZ, "v", text.data(), static_cast<int>(text.size()), 1), 10);
    EXPECT_EQ(r_.SetValue(k, REG_SZ, "V", "x", 1, 1), -1);
    EXPECT_EQ(r_.SetValue(k, REG_SZ, "missing", "x", 1, 2), -2);
    EXPECT_EQ(r_.GetValueType(k, "missing"), -1);
    const uint32_t seven = 7;
    EXPECT_EQ(r_.SetValue(k, REG_DWORD, "v", &seven, 4, 3), 4);
    EXPECT_EQ(r_.GetValueType(k, "v"), REG_DWORD);
    uint32_t got = 0;
    EXPECT_EQ(r_.GetDWordValue(k, "v", &got), 4);
    EXPECT_EQ(got, 7u);
    EXPECT_EQ(r_.SetValue(k, REG_SZ, "(default)", text.data(), static_cast<int>(text.size()), 3), 10);
    void* buf = nullptr;
    ASSERT_EQ(r_.GetValue(k, "(default)", &buf, REG_SZ), 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(vb_data(static_cast<ValueBuffer*>(buf))), 10), text);
    CKRegstry::FreeValue(buf);
    const std::string path = sz("C:\\x");
    EXPECT_EQ(r_.SetValue(k, REG_SZ, "a\\b", path.data(), static_cast<int>(path.size()), 3), 10);
    EXPECT_TRUE(r_.FindValueName(k, "a\\b"));
    EXPECT_EQ(r_.SetValue(k, REG_BINARY, "empty", nullptr, 0, 3), 0);
    r_.DeleValueKey(k, "V");
    EXPECT_EQ(r_.FindValueName(k, "v"), 0);

    Tree expected;
    expected["\\"];
    expected["\\K"] = {{"", {REG_SZ, text}}, {"a\\b", {REG_SZ, path}}, {"empty", {REG_BINARY, ""}}};
    EXPECT_EQ(saved_tree_by_hivex(), expected);
}

TEST_F(Fresh, BigValuesReadWholeEverywhere) {
    const unsigned k = r_.AddSubKey(0, "Big", nullptr);
    for (const int n : {16336, 16337, 20000, 40000}) {
        const std::string data = pattern(n);
        const std::string name = "b" + std::to_string(n);
        ASSERT_EQ(r_.SetValue(k, REG_BINARY, name.c_str(), data.data(), n, 3), n);
        void* buf = nullptr;
        ASSERT_EQ(r_.GetValue(k, name.c_str(), &buf, REG_BINARY), n);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(vb_data(static_cast<ValueBuffer*>(buf))), static_cast<size_t>(n)),
                  data);
        CKRegstry::FreeValue(buf);
        std::string tail(100, '\0');
        EXPECT_EQ(r_.GetBinaryValue(k, name.c_str(), tail.data(), 100), n);
        EXPECT_EQ(tail, data.substr(0, 100));
    }
    _REG_VALUES list{};
    EXPECT_EQ(r_.EnumValues(k, &list, nullptr), -1);
    ASSERT_EQ(list.count, 4);
    ASSERT_TRUE(list.items[3]);
    EXPECT_EQ(list.items[3]->size, 40000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(list.items[3]->data), 40000), pattern(40000));
    FreeVarlist(&list);
    EXPECT_EQ(saved_tree_by_hivex()["\\Big"]["b40000"].data, pattern(40000));
}

TEST_F(Fresh, EnumValuesListsEveryValueInItsForm) {
    const unsigned k = r_.AddSubKey(0, "E", nullptr);
    const uint32_t zero = 0;
    const std::string emoji = std::string("a\0\x3D\xD8\x00\xDE\0\0", 8);
    r_.SetValue(k, REG_DWORD, "zero", &zero, 4, 3);
    r_.SetValue(k, REG_SZ, "text", emoji.data(), 8, 3);
    r_.SetValue(k, REG_DWORD, "(default)", &zero, 4, 3);
    r_.SetValue(k, REG_BINARY, std::string(300, 'n').c_str(), "\x01\x02", 2, 3);
    static int calls;
    calls = 0;
    _REG_VALUES list{};
    r_.EnumValues(k, &list, [](_REG_VALUE*) { ++calls; });
    ASSERT_EQ(list.count, 4);
    EXPECT_EQ(calls, 4);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(list.items[i]) << i;
    EXPECT_STREQ(list.items[0]->name, "zero");
    EXPECT_EQ(list.items[0]->size, 4);
    EXPECT_STREQ(list.items[1]->name, "text");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(list.items[1]->data), static_cast<size_t>(list.items[1]->size)),
              std::string("a\xF0\x9F\x98\x80\0", 6));
    EXPECT_STREQ(list.items[2]->name, "") << "an inline unnamed value keeps its empty name";
    EXPECT_EQ(strlen(list.items[3]->name), 259u);
    FreeVarlist(&list);

    const std::string big = pattern(8);
    r_.SetValue(k, REG_BINARY, "(default)", big.data(), 8, 3);
    r_.EnumValues(k, &list, nullptr);
    EXPECT_STREQ(list.items[2]->name, "(default)");
    FreeVarlist(&list);
}

TEST_F(Fresh, TypedGettersRefuseOtherTypes) {
    const unsigned k = r_.AddSubKey(0, "T", nullptr);
    const std::string text = sz("%SystemRoot%");
    r_.SetValue(k, REG_EXPAND_SZ, "path", text.data(), static_cast<int>(text.size()), 3);
    char buf[64] = "untouched";
    EXPECT_EQ(r_.GetStringValue(k, "path", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "untouched");
    void* v = nullptr;
    EXPECT_EQ(r_.GetValue(k, "path", &v, 0), static_cast<int>(text.size()));
    CKRegstry::FreeValue(v);
    EXPECT_EQ(r_.GetValue(k, "nothing", &v, 0), 0);
}

TEST_F(Fresh, DeleCurentKeyRemovesTheWholeTree) {
    const unsigned a = r_.AddSubKey(0, "Tree\\A", nullptr);
    r_.AddSubKey(0, "Tree\\Keep", nullptr);
    for (const char* sub : {"x", "y\\z"}) {
        const unsigned k = r_.AddSubKey(a, sub, nullptr);
        const std::string data = pattern(20000);
        r_.SetValue(k, REG_BINARY, "v", data.data(), 20000, 3);
    }
    const unsigned tree = r_.GetOffset("Tree", 0);
    EXPECT_EQ(r_.DeleCurentKey(0, nullptr), 0);
    EXPECT_EQ(r_.DeleCurentKey(a, nullptr), 1);
    EXPECT_EQ(r_.GetSubkeyCount(tree), 1);
    EXPECT_EQ(r_.GetOffset("Tree\\A", 0), 0u);
    EXPECT_EQ(r_.DeleCurentKey(r_.GetOffset("Tree\\Keep", 0), "Keep"), 1) << "by name beside the key";
    EXPECT_EQ(r_.GetSubkeyCount(tree), 0);
    Tree expected;
    expected["\\"];
    expected["\\Tree"];
    EXPECT_EQ(saved_tree_by_hivex(), expected);
    int damages = -1;
    engine_tree(r_.image(), &damages);
    EXPECT_EQ(damages, 0);
}

TEST(CopyHiveFile, KeepsExistingBackupsAndReplacesWholeFiles) {
    ScratchDir dir;
    const std::string src = dir.copy(sample("SECURITY"), "SECURITY");
    const std::string bak = src + ".bhv";
    write_file(bak, "old backup");
    EXPECT_FALSE(CopyHiveFile(src.c_str(), bak.c_str(), false));
    EXPECT_EQ(read_file(bak), "old backup");
    EXPECT_TRUE(CopyHiveFile(src.c_str(), bak.c_str(), true));
    EXPECT_EQ(read_file(bak), read_file(src));
    EXPECT_FALSE(CopyHiveFile(dir.file("missing").c_str(), bak.c_str(), true));
    write_file(dir.file("empty"), "");
    EXPECT_FALSE(CopyHiveFile(dir.file("empty").c_str(), bak.c_str(), true));
    EXPECT_EQ(read_file(bak), read_file(src));
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 3) << "no temporary file is left behind";
}

TEST(InsensitivePath, ResolvesEachComponentAndReportsMissingOnes) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.file("Users/Alice"));
    write_file(dir.file("Users/Alice/NTUSER.DAT"), "x");
    char out[260];
    ASSERT_TRUE(parse_insensitive_path(dir.file("USERS/alice/ntuser.dat").c_str(), out));
    EXPECT_EQ(std::string(out), dir.file("Users/Alice/NTUSER.DAT"));
    EXPECT_FALSE(parse_insensitive_path(dir.file("users/bob/ntuser.dat").c_str(), out));
    char small[8];
    EXPECT_FALSE(parse_insensitive_path(dir.file("users").c_str(), small, sizeof small));
}

}  // namespace
