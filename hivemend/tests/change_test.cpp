// Changes made by the engine, saved and read back by the hivex tools.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "support.h"

using namespace hivetest;

namespace {

ValueBuffer* buffer_of(const std::string& bytes) {
    ValueBuffer* b = new_valuebuffer(static_cast<int>(bytes.size()));
    memcpy(vb_data(b), bytes.data(), bytes.size());
    return b;
}

std::string pattern(int n) {
    std::string s(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = static_cast<char>(i * 7 + i / 251);
    return s;
}

// Sets a value, creating it, the way the hive objects do.
void set_value(Hive* h, int key, const std::string& name, int type, const std::string& bytes) {
    ASSERT_TRUE(add_value(h, key, name.c_str(), type)) << name;
    ValueBuffer* b = buffer_of(bytes);
    EXPECT_EQ(put_buf2val(h, b, key, name.c_str(), type, LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT),
              static_cast<int>(bytes.size()));
    free(b);
}

std::vector<std::string> subkey_names(Hive* h, int key) {
    std::vector<std::string> names;
    int count = 0;
    int sub = 0;
    SubkeyInfo info{};
    while (ex_next_n(h, key, &count, &sub, &info) == 1) {
        names.emplace_back(info.name ? info.name : "");
        free(info.name);
    }
    return names;
}

struct IndexCase {
    const char* name;
    uint16_t first_index;
    bool ri;
};

class IndexKinds : public ::testing::TestWithParam<IndexCase> {};

TEST_P(IndexKinds, ChangesSaveIntoAHiveThatHivexReadsExactly) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("minimal"), "hive");
    HivePtr h(openHive(file.c_str(), 0));
    ASSERT_TRUE(h);
    h->nkindextype = static_cast<short>(GetParam().first_index);
    int err = 0;
    const int parent = add_subkey(h.get(), h->rootofs + 4, "Parent", &err);
    ASSERT_TRUE(parent);
    for (const char* n : {"Gamma", "Alpha", "Epsilon", "Delta", "Zeta", "Eta"})
        ASSERT_TRUE(add_subkey(h.get(), parent, n, &err)) << n;
    if (GetParam().ri) split_into_ri(h.get(), parent);
    EXPECT_TRUE(add_subkey(h.get(), parent, "beta", &err));
    EXPECT_EQ(add_subkey(h.get(), parent, "ALPHA", &err), 0);
    EXPECT_EQ(err, 2);
    EXPECT_EQ(subkey_names(h.get(), parent),
              (std::vector<std::string>{"Alpha", "beta", "Delta", "Epsilon", "Eta", "Gamma", "Zeta"}));

    const int data = trav_path(h.get(), parent, "Delta", LOOKUP_EXACT) + 4;
    const int sizes[] = {0, 4, 16336, 16337, 40000};
    for (const int n : sizes) set_value(h.get(), data, "v" + std::to_string(n), REG_BINARY, pattern(n));
    ASSERT_TRUE(add_value(h.get(), data, "count", REG_DWORD));
    EXPECT_GT(put_dword(h.get(), data, "count", LOOKUP_VALUE | LOOKUP_EXACT, 0x01020304), 0);
    set_value(h.get(), data, "@", REG_SZ, std::string("d\0e\0f\0\0\0", 8));
    set_value(h.get(), data, "gone", REG_SZ, "xx");
    EXPECT_EQ(del_value(h.get(), data, "GONE"), 0);

    const int tree = trav_path(h.get(), parent, "Zeta", LOOKUP_EXACT) + 4;
    for (const char* n : {"a", "b", "c"}) {
        const int k = add_subkey(h.get(), tree, n, &err);
        set_value(h.get(), k, "x", REG_BINARY, pattern(20000));
    }
    EXPECT_EQ(rdel_keys(h.get(), "zeta", parent, 0), 1);
    EXPECT_EQ(del_key(h.get(), parent, "Eta"), 0);
    ASSERT_EQ(writeHive(h.get()), 0);
    EXPECT_FALSE(h->state & HIVE_DIRTY);

    Tree expected;
    expected["\\"];
    expected["\\Parent"];
    for (const char* n : {"Alpha", "beta", "Epsilon", "Gamma"}) expected[std::string("\\Parent\\") + n];
    auto& values = expected["\\Parent\\Delta"];
    for (const int n : sizes) values["v" + std::to_string(n)] = {REG_BINARY, pattern(n)};
    values["count"] = {REG_DWORD, std::string("\x04\x03\x02\x01", 4)};
    values[""] = {REG_SZ, std::string("d\0e\0f\0\0\0", 8)};

    int status = -1;
    run("hivexml '" + file + "' > /dev/null 2>&1", &status);
    EXPECT_EQ(status, 0) << "hivexml refuses the saved hive";
    EXPECT_EQ(hivex_tree(file), expected);
    HivePtr again(openHive(file.c_str(), HIVE_READONLY));
    int damages = -1;
    EXPECT_EQ(engine_tree(again.get(), &damages), expected);
    EXPECT_EQ(damages, 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, IndexKinds,
                         ::testing::Values(IndexCase{"lf", ID_LF, false}, IndexCase{"lh", ID_LH, false},
                                           IndexCase{"li", ID_LI, false}, IndexCase{"ri_of_lh", ID_LH, true},
                                           IndexCase{"ri_of_li", ID_LI, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ManyChildren, TenThousandSubkeysStaySortedAndReadable) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("special"), "hive");
    HivePtr h(openHive(file.c_str(), 0));
    ASSERT_TRUE(h);
    int err = 0;
    const int clsid = add_subkey(h.get(), h->rootofs + 4, "CLSID", &err);
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i) {
        char n[64];
        snprintf(n, sizeof n, "{%08X-0000-0000-C000-%012d}", i * 2654435761u, i);
        names.emplace_back(n);
    }
    std::mt19937 rng(7);
    std::shuffle(names.begin(), names.end(), rng);
    for (const auto& n : names) ASSERT_TRUE(add_subkey(h.get(), clsid, n.c_str(), &err)) << n;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(subkey_names(h.get(), clsid), names);
    for (size_t i = 0; i < names.size(); i += 2) ASSERT_EQ(del_key(h.get(), clsid, names[i].c_str()), 0);
    ASSERT_EQ(writeHive(h.get()), 0);
    const Tree t = hivex_tree(file);
    size_t under = 0;
    for (const auto& [k, v] : t) under += k.rfind("\\CLSID\\", 0) == 0;
    EXPECT_EQ(under, names.size() / 2);
    EXPECT_TRUE(trav_path(h.get(), clsid, names[1].c_str(), LOOKUP_EXACT));
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

// Every way the engine changes a value keeps the key's longest value name
// (dummy5) and largest value data (dummy6) up to date; they never shrink.
TEST(Changes, KeysKeepTheirLongestValueNameAndLargestData) {
    HivePtr h(openHiveBuffer("m", read_file(sample("minimal")).data(), 8192, 0));
    const int root = h->rootofs + 4;
    const auto nk = [&] { return reinterpret_cast<const nk_key*>(h->buffer + root); };
    const int flags = LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT;
    struct Step {
        const char* what;
        std::function<void()> change;
        int name_len;
        int data_len;
    };
    const Step steps[] = {
        {"a new dword", [&] { ASSERT_TRUE(add_value(h.get(), root, "abc", REG_DWORD)); }, 3, 4},
        {"data put", [&] { set_value(h.get(), root, "longer name", REG_BINARY, pattern(100)); }, 11, 100},
        {"room allocated", [&] { ASSERT_TRUE(alloc_val_data(h.get(), root, "abc", 300, flags)); }, 11, 300},
        {"smaller data", [&] { set_value(h.get(), root, "x", REG_BINARY, pattern(10)); }, 11, 300},
        {"the unnamed value", [&] { set_value(h.get(), root, "@", REG_SZ, pattern(20000)); }, 11, 20000},
    };
    for (const Step& s : steps) {
        s.change();
        EXPECT_EQ(nk()->dummy5, s.name_len) << s.what;
        EXPECT_EQ(nk()->dummy6, s.data_len) << s.what;
    }
}
