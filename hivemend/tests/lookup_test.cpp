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

}  // namespace
