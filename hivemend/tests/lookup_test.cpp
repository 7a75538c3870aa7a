// Path lookup, value reading and the string rules they rest on.

#include <gtest/gtest.h>

#include "support.h"

using namespace hivetest;

namespace {

class SystemHive : public ::testing::Test {
protected:
    static void SetUpTestSuite() { h_ = openHive(sample("SYSTEM").c_str(), HIVE_READONLY); }
    static void TearDownTestSuite() { closeHive(h_); }
    static Hive* h_;
};
Hive* SystemHive::h_ = nullptr;

TEST_F(SystemHive, PathRules) {
    const int root = h_->rootofs;
    const int cs = trav_path(h_, 0, "ControlSet001", LOOKUP_EXACT);
    ASSERT_TRUE(cs);
    struct Case {
        int start;
        const char* path;
        int flags;
        int expected;
    } cases[] = {
        {0, "", 0, root},
        {cs + 4, "\\", 0, root},
        {0, "ControlSet", 0, cs},
        {0, "ControlSet", LOOKUP_EXACT, 0},
        {0, "controlset001", LOOKUP_EXACT, cs},
        {0, "..\\ControlSet001", 0, cs},
        {cs + 4, "..", 0, root},
        {0, "..", LOOKUP_EXACT, 0},
        {0, ".\\ControlSet001", 0, cs},
        {0, "ControlSet001\\", LOOKUP_EXACT, cs},
        {0, "ControlSet001\\NoSuchKey", LOOKUP_EXACT, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(trav_path(h_, c.start, c.path, c.flags), c.expected) << c.path;
}

TEST_F(SystemHive, ValuesAndTheirTypes) {
    const int sel = trav_path(h_, 0, "Select", LOOKUP_EXACT) + 4;
    EXPECT_EQ(get_dword(h_, sel, "Current", LOOKUP_VALUE | LOOKUP_EXACT), 1u);
    EXPECT_EQ(get_dword(h_, sel, "NoSuchValue", LOOKUP_VALUE | LOOKUP_EXACT), 0xFFFFFFFFu);
    EXPECT_EQ(get_val_type(h_, sel, "current", LOOKUP_VALUE | LOOKUP_EXACT), REG_DWORD);
    const int ctl = trav_path(h_, 0, "ControlSet001\\Control", LOOKUP_EXACT) + 4;
    EXPECT_EQ(get_dword(h_, ctl, "CurrentUser", LOOKUP_VALUE | LOOKUP_EXACT), 0u) << "REG_SZ read as a dword";
    // A key name asked for as a value finds the key, which is no value.
    EXPECT_EQ(get_val_len(h_, 0, "Select", LOOKUP_VALUE | LOOKUP_EXACT), -1);
    char path[4096] = "";
    EXPECT_GT(get_abs_path(h_, ctl, path, sizeof path), 0);
    EXPECT_STREQ(path, "\\ControlSet001\\Control");
    char small[16] = "";
    get_abs_path(h_, ctl, small, sizeof small);
    EXPECT_STREQ(small, "(...)\\Control");
}

TEST(Lookup, UnnamedValueAndBackslashesInNames) {
    HivePtr h(openHiveBuffer("m", read_file(sample("minimal")).data(), 8192, 0));
    const int root = h->rootofs + 4;
    int err = 0;
    const int k = add_subkey(h.get(), root, "a\\b", &err);
    ASSERT_TRUE(k);
    EXPECT_EQ(trav_path(h.get(), 0, "a\\\\b", LOOKUP_EXACT), k - 4);
    ASSERT_TRUE(add_value(h.get(), k, "@", REG_SZ));
    EXPECT_EQ(add_value(h.get(), k, "@", REG_SZ), nullptr);
    EXPECT_TRUE(trav_path(h.get(), k, "@", LOOKUP_VALUE | LOOKUP_EXACT));
    ASSERT_TRUE(add_value(h.get(), k, "d", REG_DWORD));
    EXPECT_EQ(get_val_len(h.get(), k, "d", LOOKUP_VALUE | LOOKUP_EXACT), 4);
    ValueBuffer empty{0};
    EXPECT_EQ(put_buf2val(h.get(), &empty, k, "d", REG_DWORD, LOOKUP_VALUE | LOOKUP_EXACT), 0);
    EXPECT_EQ(get_int(h->buffer + trav_path(h.get(), k, "d", LOOKUP_VALUE) + 8), static_cast<int>(0x80000000));
    EXPECT_EQ(del_value(h.get(), k, "@"), 0);
    EXPECT_EQ(del_value(h.get(), k, "d"), 0);
    EXPECT_EQ(reinterpret_cast<nk_key*>(h->buffer + k)->ofs_vallist, -1);
}

TEST(Lookup, Utf16NamesFoundByTheirUtf8Form) {
    HivePtr h(openHive(sample("special").c_str(), HIVE_READONLY));
    const int key = trav_path(h.get(), 0, "weird\xE2\x84\xA2", LOOKUP_EXACT);
    ASSERT_TRUE(key);
    EXPECT_EQ(get_val_type(h.get(), key + 4, "symbols $\xC2\xA3\xE2\x82\xA4\xE2\x82\xA7\xE2\x82\xAC",
                           LOOKUP_VALUE | LOOKUP_EXACT),
              REG_DWORD);
    char* name = get_key_name_utf8(h.get(), trav_path(h.get(), 0, "abcd_", 0) + 4);
    EXPECT_STREQ(name, "abcd_\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F");
    free(name);
}

TEST(Strings, CaseRulesAndHash) {
    EXPECT_EQ(lh_hash("ab", 2), 65u * 37 + 66);
    EXPECT_EQ(lh_hash("\xE0", 1), 0xC0u);
    EXPECT_EQ(lh_hash("\xB5", 1), 0u);
    EXPECT_EQ(strn_casecmp("abc", "ABC", 3), 0);
    EXPECT_EQ(strn_casecmp("abc", "ab", 3), 1);
    EXPECT_EQ(strn_casecmp("ab", "abc", 3), -1);
    EXPECT_EQ(strn_casecmp("a", "b", 0), 0);
    EXPECT_LT(strn_casecmp("beta", "Gamma", 5), 0);
    char s[] = "a\\\\b\\\"c";
    EXPECT_EQ(de_escape(s, 0), 6);
    EXPECT_STREQ(s, "a\\b\"c");
    char* u = string_regw2prog("C\0a\0f\0\xE9\0", 8);
    EXPECT_STREQ(u, "Caf\xC3\xA9");
    free(u);
}

TEST(Changes, DeleteKeyCaseRulesFollowTheIndexKind) {
    for (const uint16_t id : {ID_LH, ID_LI}) {
        HivePtr h(openHiveBuffer("m", read_file(sample("minimal")).data(), 8192, 0));
        h->nkindextype = static_cast<short>(id);
        int err = 0;
        add_subkey(h.get(), h->rootofs + 4, "Alpha", &err);
        EXPECT_EQ(del_key(h.get(), h->rootofs + 4, "ALPHA"), id == ID_LH ? 1 : 0);
    }
}

TEST(Changes, DeletingATreeFreesAllItsCells) {
    HivePtr h(openHiveBuffer("m", read_file(sample("minimal")).data(), 8192, 0));
    const int root = h->rootofs + 4;
    const int used = h->useblk;
    int err = 0;
    const int top = add_subkey(h.get(), root, "Top", &err);
    for (const char* n : {"x", "y", "z"}) {
        const int k = add_subkey(h.get(), top, n, &err);
        add_value(h.get(), k, "big", REG_BINARY);
        ValueBuffer* b = new_valuebuffer(30000);
        put_buf2val(h.get(), b, k, "big", REG_BINARY, LOOKUP_VALUE | LOOKUP_EXACT);
        free(b);
        add_value(h.get(), k, "n", REG_DWORD);
    }
    EXPECT_EQ(rdel_keys(h.get(), "top", 0, 0), 1);
    EXPECT_EQ(h->useblk, used);
    EXPECT_EQ(reinterpret_cast<nk_key*>(h->buffer + root)->ofs_lf, -1);
    EXPECT_EQ(rdel_keys(h.get(), "\\", 0, 0), 0) << "the root key is never deleted";
}

TEST(Changes, BigDataPartsFollowTheirSizes) {
    const std::pair<int, int> cases[] = {{16336, 0}, {16337, 2}, {32672, 3}};
    for (const auto& [size, parts] : cases) {
        HivePtr h(openHiveBuffer("m", read_file(sample("minimal")).data(), 8192, 0));
        const int root = h->rootofs + 4;
        add_value(h.get(), root, "v", REG_BINARY);
        ValueBuffer* b = new_valuebuffer(size);
        EXPECT_EQ(put_buf2val(h.get(), b, root, "v", REG_BINARY, LOOKUP_VALUE | LOOKUP_EXACT), size);
        free(b);
        const auto* db = static_cast<const db_key*>(get_val_data(h.get(), root, "v", 0, LOOKUP_VALUE));
        EXPECT_EQ(parts ? db->no_parts : 0, parts ? parts : 0) << size;
        if (!parts) {
            EXPECT_NE(db->id, ID_DB);
        }
    }
}

}  // namespace

namespace {

TEST(Changes, NonAsciiNamesAreStoredAsWindowsStoresThem) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("special"), "hive");
    HivePtr h(openHive(file.c_str(), 0));
    const int root = h->rootofs + 4;
    int err = 0;
    const int cafe = add_subkey(h.get(), root, "Caf\xC3\xA9", &err);
    const int omega = add_subkey(h.get(), root, "\xCE\xA9mega", &err);
    ASSERT_TRUE(cafe && omega);
    EXPECT_EQ(add_subkey(h.get(), root, "CAF\xC3\x89", &err), 0) << "same name in other case";
    EXPECT_EQ(err, 2);
    ASSERT_TRUE(add_value(h.get(), cafe, "na\xC3\xAFve", REG_DWORD));
    ASSERT_TRUE(add_value(h.get(), cafe, "\xE2\x82\xAC", REG_DWORD));
    EXPECT_EQ(trav_path(h.get(), 0, "caf\xC3\xA9", LOOKUP_EXACT), cafe - 4);
    EXPECT_EQ(trav_path(h.get(), 0, "Caf\xE9", LOOKUP_EXACT), cafe - 4) << "its 8-bit form finds it too";
    EXPECT_EQ(trav_path(h.get(), 0, "\xCE\xA9mega", LOOKUP_EXACT), omega - 4);
    EXPECT_EQ(get_val_type(h.get(), cafe, "\xE2\x82\xAC", LOOKUP_VALUE | LOOKUP_EXACT), REG_DWORD);
    ASSERT_EQ(writeHive(h.get()), 0);

    const Tree t = hivex_tree(file);
    ASSERT_TRUE(t.count("\\Caf\xE9")) << "8-bit names are Latin-1";
    EXPECT_TRUE(t.count("\\\xCE\xA9mega"));
    EXPECT_TRUE(t.at("\\Caf\xE9").count("na\xEFve"));
    EXPECT_TRUE(t.at("\\Caf\xE9").count("\xE2\x82\xAC"));
    char* name = get_key_name_utf8(h.get(), cafe);
    EXPECT_STREQ(name, "Caf\xC3\xA9");
    free(name);

    EXPECT_EQ(del_value(h.get(), cafe, "NA\xC3\x8FVE"), 1) << "only a-z fold in value names";
    EXPECT_EQ(del_value(h.get(), cafe, "na\xC3\xAFve"), 0);
    EXPECT_EQ(del_key(h.get(), root, "\xCE\xA9mega"), 0);
    EXPECT_EQ(rdel_keys(h.get(), "caf\xC3\xA9", 0, 0), 1);
    int damages = -1;
    engine_tree(h.get(), &damages);
    EXPECT_EQ(damages, 0);
}

}  // namespace

namespace {

TEST(Changes, FirstSubkeyGetsTheRootsIndexKindAndDwordsStayInline) {
    HivePtr h(openHive(sample("special").c_str(), HIVE_READONLY));
    ASSERT_EQ(h->nkindextype, static_cast<short>(ID_LH));
    const int parent = trav_path(h.get(), 0, "zero", 0) + 4;
    int err = 0;
    ASSERT_TRUE(add_subkey(h.get(), parent, "ab", &err));
    const auto* nk = reinterpret_cast<const nk_key*>(h->buffer + parent);
    const unsigned char* list = h->buffer + nk->ofs_lf + HBIN_START + 4;
    EXPECT_EQ(reinterpret_cast<const index_head*>(list)->id, ID_LH);
    EXPECT_EQ(reinterpret_cast<const lf_entry*>(list + 4)->hint, 2471u);
    ASSERT_TRUE(add_value(h.get(), parent, "d", REG_DWORD));
    EXPECT_EQ(put_dword(h.get(), parent, "d", LOOKUP_VALUE | LOOKUP_EXACT, 42), 4);
    const auto* vk = reinterpret_cast<const vk_key*>(h->buffer + trav_path(h.get(), parent, "d", LOOKUP_VALUE) + 4);
    EXPECT_EQ(vk->len_data, 0x80000004u);
    EXPECT_EQ(vk->ofs_data, 42u);
}

}  // namespace

namespace {

TEST(Changes, HivesBeforeFormat14KeepBigDataInOneCell) {
    // NTUSER.DAT is format 1.3: Windows of that age reads no db records.
    ScratchDir dir;
    const std::string file = dir.copy(sample("NTUSER.DAT"), "NTUSER.DAT");
    HivePtr h(openHive(file.c_str(), 0));
    const int root = h->rootofs + 4;
    ASSERT_TRUE(add_value(h.get(), root, "big", REG_BINARY));
    std::string bytes(40000, 0);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    ValueBuffer* b = new_valuebuffer(40000);
    memcpy(vb_data(b), bytes.data(), bytes.size());
    EXPECT_EQ(put_buf2val(h.get(), b, root, "big", REG_BINARY, LOOKUP_VALUE | LOOKUP_EXACT), 40000);
    free(b);
    const auto* data = static_cast<const db_key*>(get_val_data(h.get(), root, "big", 0, LOOKUP_VALUE));
    ASSERT_TRUE(data);
    EXPECT_NE(data->id, ID_DB);
    ASSERT_EQ(writeHive(h.get()), 0);
    const Tree t = hivex_tree(file);
    ASSERT_TRUE(t.count("\\"));
    EXPECT_EQ(t.at("\\").at("big").data, bytes);
}

}  // namespace
