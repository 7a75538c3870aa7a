// Renaming keys keeps the hive consistent: the subkeys' parent offsets, the
// index entry's hint or hash, and the sorted order of every index kind.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hivemend/CKRegstry.h"
#include "regtext_support.h"

using namespace hivetest;

namespace {

class TestRegstry : public CKRegstry {
public:
    Hive* image() { return hive; }
};

struct Entry {
    std::string name;
    uint32_t hint;
    uint16_t list;
};

// The entries of a key's index, in order, with the list id they sit in.
std::vector<Entry> index_entries(Hive* h, unsigned key, int* lists) {
    std::vector<Entry> out;
    const auto* nk = reinterpret_cast<const nk_key*>(h->buffer + key);
    const unsigned char* idx = h->buffer + nk->ofs_lf + HBIN_START + 4;
    std::vector<const unsigned char*> leaves;
    if (memcmp(idx, "ri", 2) == 0) {
        uint16_t n;
        memcpy(&n, idx + 2, 2);
        for (int i = 0; i < n; ++i) leaves.push_back(h->buffer + get_int(idx + 4 + 4 * i) + HBIN_START + 4);
    } else {
        leaves.push_back(idx);
    }
    *lists = static_cast<int>(leaves.size());
    for (const unsigned char* l : leaves) {
        uint16_t id, n;
        memcpy(&id, l, 2);
        memcpy(&n, l + 2, 2);
        const int esize = id == ID_LI ? 4 : 8;
        for (int i = 0; i < n; ++i) {
            const auto* sub = reinterpret_cast<const nk_key*>(h->buffer + get_int(l + 4 + esize * i) + HBIN_START + 4);
            const uint32_t hint = esize == 8 ? static_cast<uint32_t>(get_int(l + 8 + esize * i)) : 0;
            out.push_back({std::string(nk_name(sub), sub->len_name), hint, id});
        }
    }
    return out;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

void expect_sound_index(Hive* h, unsigned key, const std::vector<std::string>& names) {
    int lists = 0;
    const std::vector<Entry> entries = index_entries(h, key, &lists);
    std::vector<std::string> got;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        got.push_back(e.name);
        if (i) {
            EXPECT_LT(upper(entries[i - 1].name), upper(e.name)) << "index out of order at " << e.name;
        }
        if (e.list == ID_LH) {
            EXPECT_EQ(e.hint, lh_hash(e.name.data(), static_cast<int>(e.name.size()))) << e.name;
        }
        if (e.list == ID_LF) {
            uint32_t hint = 0;
            memcpy(&hint, e.name.data(), std::min<size_t>(4, e.name.size()));
            EXPECT_EQ(e.hint, hint) << e.name;
        }
    }
    EXPECT_EQ(got, names);
    int damages = -1;
    engine_tree(h, &damages);
    EXPECT_EQ(damages, 0) << "the walk finds parent offsets that do not lead back";
}

struct Kind {
    const char* name;
    uint16_t index;
    bool ri;
};

class RenameKinds : public ::testing::TestWithParam<Kind> {};

TEST_P(RenameKinds, MovesTheKeyToItsSortedPlaceWithItsSubtree) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("minimal"), "hive");
    TestRegstry r;
    r.OpenFileHive(file.c_str());
    Hive* h = r.image();
    h->nkindextype = static_cast<short>(GetParam().index);
    const unsigned p = r.AddSubKey(0, "P", nullptr);
    for (const char* n : {"Alpha", "Delta", "Gamma", "Kilo", "Mike", "Sierra"}) r.AddSubKey(p, n, nullptr);
    const unsigned d1 = r.AddSubKey(p, "Delta\\d1\\deep", nullptr);
    r.AddSubKey(p, "Delta\\d2", nullptr);
    r.SetValue(r.GetOffset("P\\Delta", 0), REG_BINARY, "v", "\x01\x02\x03\x04\x05", 5, 3);
    if (GetParam().ri) split_into_ri(h, static_cast<int>(p));

    const unsigned zulu = r.ReNameSubkey(p, "Delta", "Zulu");
    ASSERT_TRUE(zulu);
    EXPECT_EQ(r.GetOffset("P\\Zulu", 0), zulu);
    EXPECT_EQ(r.GetOffset("P\\Delta", 0), 0u);
    EXPECT_EQ(r.GetParentKey(static_cast<int>(r.GetOffset("P\\Zulu\\d2", 0))), zulu);
    EXPECT_EQ(r.GetOffset("P\\Zulu\\d1\\deep", 0), d1);
    expect_sound_index(h, p, {"Alpha", "Gamma", "Kilo", "Mike", "Sierra", "Zulu"});

    const unsigned bravo = r.RenameKey(zulu, "bravo");
    ASSERT_TRUE(bravo);
    expect_sound_index(h, p, {"Alpha", "bravo", "Gamma", "Kilo", "Mike", "Sierra"});
    EXPECT_TRUE(r.RenameKey(bravo, "BRAVO")) << "a change of letter case only";

    const std::string before(reinterpret_cast<const char*>(h->buffer), static_cast<size_t>(h->size));
    EXPECT_EQ(r.ReNameSubkey(p, "Mike", "ALPHA"), 0u);
    EXPECT_EQ(r.ReNameSubkey(p, "Mike", "a\\b"), 0u);
    EXPECT_EQ(r.ReNameSubkey(p, "Mike", std::string(256, 'm').c_str()), 0u);
    EXPECT_EQ(r.RenameKey(r.RootKeyOfs(), "root"), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h->buffer), static_cast<size_t>(h->size)), before)
        << "a refused rename changes nothing";

    // Everything after Gamma moves in front of it: with an ri, its second
    // list empties and leaves the ri.
    EXPECT_TRUE(r.ReNameSubkey(p, "Kilo", "Aa"));
    EXPECT_TRUE(r.ReNameSubkey(p, "Mike", "Ab"));
    EXPECT_TRUE(r.ReNameSubkey(p, "Sierra", "Ac"));
    expect_sound_index(h, p, {"Aa", "Ab", "Ac", "Alpha", "BRAVO", "Gamma"});
    int lists = 0;
    index_entries(h, p, &lists);
    EXPECT_EQ(lists, 1);

    ASSERT_EQ(r.SaveHive(), 1);
    Tree expected;
    expected["\\"];
    expected["\\P"];
    for (const char* n : {"Aa", "Ab", "Ac", "Alpha", "Gamma", "BRAVO\\d1", "BRAVO\\d1\\deep", "BRAVO\\d2"})
        expected[std::string("\\P\\") + n];
    expected["\\P\\BRAVO"]["v"] = {REG_BINARY, "\x01\x02\x03\x04\x05"};
    EXPECT_EQ(parse_reg(hivex_export(file, "\\"), ""), expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RenameKinds,
                         ::testing::Values(Kind{"lf", ID_LF, false}, Kind{"lh", ID_LH, false}, Kind{"li", ID_LI, false},
                                           Kind{"ri_of_lh", ID_LH, true}, Kind{"ri_of_li", ID_LI, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Rename, NonLatinNamesAreStoredAsWindowsStoresThem) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("minimal"), "hive");
    TestRegstry r;
    r.OpenFileHive(file.c_str());
    const unsigned k = r.AddSubKey(0, "Plain", nullptr);
    const unsigned w = r.RenameKey(k, "weird\xE2\x84\xA2");
    ASSERT_TRUE(w);
    EXPECT_FALSE(reinterpret_cast<const nk_key*>(r.image()->buffer + w)->type & NK_COMPRESSED_NAME);
    EXPECT_TRUE(r.RenameKey(w, "\xC3\xA4pfel"));
    EXPECT_TRUE(r.GetOffset("\xC3\xA4pfel", 0));
    ASSERT_EQ(r.SaveHive(), 1);
    const Tree t = parse_reg(hivex_export(file, "\\"), "");
    EXPECT_EQ(t.count("\\\xC3\xA4pfel"), 1u);
}

}  // namespace
