// Crafted damage: every lookup on a damaged hive fails or reports, never
// reads outside the image, never loops and never recurses without end; every
// change to it fails and leaves it byte for byte as it was.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "hivemend/CKRegstry.h"
#include "hivemend/regtext.h"
#include "support.h"

using namespace hivetest;

namespace {

// Record offsets in the base hive the cases damage.
struct Layout {
    int root, a, b, alist, vlist, vk, data, db;
};

std::string base_image(Layout* l) {
    HivePtr h(openHiveBuffer("base", read_file(sample("minimal")).data(), 8192, 0));
    int err = 0;
    l->root = h->rootofs + 4;
    l->a = add_subkey(h.get(), l->root, "a", &err);
    l->b = add_subkey(h.get(), l->a, "b", &err);
    add_value(h.get(), l->a, "v", REG_BINARY);
    ValueBuffer* small = new_valuebuffer(40);
    put_buf2val(h.get(), small, l->a, "v", REG_BINARY, LOOKUP_VALUE | LOOKUP_EXACT);
    free(small);
    add_value(h.get(), l->a, "big", REG_BINARY);
    ValueBuffer* big = new_valuebuffer(20000);
    put_buf2val(h.get(), big, l->a, "big", REG_BINARY, LOOKUP_VALUE | LOOKUP_EXACT);
    free(big);
    const auto* a = reinterpret_cast<const nk_key*>(h->buffer + l->a);
    l->alist = a->ofs_lf + 0x1004;
    l->vlist = a->ofs_vallist + 0x1004;
    l->vk = get_int(h->buffer + l->vlist) + 0x1004;
    l->data = get_int(h->buffer + l->vk + 8) + 0x1004;
    l->db = get_int(h->buffer + get_int(h->buffer + l->vlist + 4) + 0x1004 + 8) + 0x1004;
    long len = 0;
    const unsigned char* img = hive_image(h.get(), &len);
    return std::string(reinterpret_cast<const char*>(img), static_cast<size_t>(len));
}

void put(std::string& img, int ofs, int32_t v) { memcpy(img.data() + ofs, &v, 4); }
void put16(std::string& img, int ofs, uint16_t v) { memcpy(img.data() + ofs, &v, 2); }

struct Case {
    const char* name;
    std::function<void(std::string&, const Layout&)> damage;
};

const Case kCases[] = {
    {"subkey_entry_loops_to_root", [](auto& img, auto& l) { put(img, l.alist + 4, l.root - 0x1004); }},
    {"index_is_an_ri_naming_itself",
     [](auto& img, auto& l) {
         put16(img, l.alist, ID_RI);
         put16(img, l.alist + 2, 1);
         put(img, l.alist + 4, l.alist - 0x1004);
     }},
    {"parent_chain_loops",
     [](auto& img, auto& l) {
         put(img, l.a + 0x10, l.b - 0x1004);
         put(img, l.b + 0x10, l.a - 0x1004);
     }},
    {"zero_size_cell", [](auto& img, auto& l) { put(img, l.vk - 4, 0); }},
    {"value_count_huge", [](auto& img, auto& l) { put(img, l.a + 0x24, 0x7FFFFFFF); }},
    {"subkey_count_huge", [](auto& img, auto& l) { put(img, l.a + 0x14, 0x7FFFFFFF); }},
    {"entry_count_past_cell", [](auto& img, auto& l) { put16(img, l.alist + 2, 0xFFFF); }},
    // Adding a key to this list once dropped the keys it no longer counted.
    {"entry_count_zero", [](auto& img, auto& l) { put16(img, l.alist + 2, 0); }},
    {"data_length_huge", [](auto& img, auto& l) { put(img, l.vk + 4, 0x7FFFFFF0); }},
    {"inline_length_above_four", [](auto& img, auto& l) { put(img, l.vk + 4, static_cast<int32_t>(0x80000010)); }},
    {"db_part_count_huge", [](auto& img, auto& l) { put16(img, l.db + 2, 0xFFFF); }},
    {"db_part_list_offset_wild", [](auto& img, auto& l) { put(img, l.db + 4, 0x7FFFFFF0); }},
    {"cell_size_most_negative", [](auto& img, auto& l) { put(img, l.a - 4, static_cast<int32_t>(0x80000000)); }},
    {"cell_size_past_page", [](auto& img, auto& l) { put(img, l.data - 4, -0x100000); }},
    {"root_offset_wild", [](auto& img, auto&) { put(img, REGF_ROOT_OFS, 0x7FFFFFF0); }},
    {"root_offset_at_int_max", [](auto& img, auto&) { put(img, REGF_ROOT_OFS, 0x7FFFEFFF); }},
    {"page_size_huge", [](auto& img, auto&) { put(img, HBIN_START + 8, 0x7FFFFFFF); }},
    {"page_size_zero", [](auto& img, auto&) { put(img, HBIN_START + 8, 0); }},
    {"data_size_past_file", [](auto& img, auto&) { put(img, REGF_DATA_SIZE, 0x7FFF0000); }},
    {"data_size_far_past_file", [](auto& img, auto&) { put(img, REGF_DATA_SIZE, 0x7E000000); }},
    {"data_size_negative", [](auto& img, auto&) { put(img, REGF_DATA_SIZE, -8); }},
    {"value_list_offset_negative", [](auto& img, auto& l) { put(img, l.a + 0x28, static_cast<int32_t>(0x80000000)); }},
    {"name_length_past_cell", [](auto& img, auto& l) { put16(img, l.a + 0x48, 0xFFFF); }},
    {"class_length_past_cell",
     [](auto& img, auto& l) {
         put(img, l.a + 0x30, l.data - 0x1004);
         put16(img, l.a + 0x4A, 0xFFFF);
     }},
    {"value_names_a_free_cell", [](auto& img, auto& l) { put(img, l.vk - 4, 48); }},
    {"truncated_file", [](auto& img, auto&) { img.resize(0x1800); }},
    {"base_block_only", [](auto& img, auto&) { img.resize(0x1000); }},
    {"shorter_than_base_block", [](auto& img, auto&) { img.resize(64); }},
};

class Damage : public ::testing::TestWithParam<Case> {};

TEST_P(Damage, EveryOperationStaysInsideTheImage) {
    Layout l{};
    std::string img = base_image(&l);
    GetParam().damage(img, l);
    HivePtr h(openHiveBuffer("damaged", img.data(), static_cast<long>(img.size()), 0));
    ASSERT_TRUE(h);
    const std::string loaded(reinterpret_cast<const char*>(h->buffer), static_cast<size_t>(h->size));
    int damages = 0;
    engine_tree(h.get(), &damages);
    EXPECT_GT(damages, 0) << "the full walk must report the damage";

    char path[4096] = "";
    get_abs_path(h.get(), l.b, path, sizeof path);
    trav_path(h.get(), 0, "a\\b", LOOKUP_EXACT);
    trav_path(h.get(), l.b, "..\\..\\..\\a", 0);
    int count = 0, sub = 0, steps = 0;
    SubkeyInfo si{};
    while (ex_next_n(h.get(), l.a, &count, &sub, &si) == 1 && ++steps < 100) free(si.name);
    count = 0;
    ValueInfo vi{};
    while (ex_next_v(h.get(), l.a, &count, &vi) == 1 && ++steps < 200) free(vi.name);
    for (const char* v : {"v", "big"}) free(get_val2buf(h.get(), nullptr, l.a, v, 0, LOOKUP_VALUE | LOOKUP_EXACT));
    free(get_class(h.get(), l.a, ""));
    nk_ls(h.get(), "a", 0);
    add_key(h.get(), l.a, "new");
    add_value(h.get(), l.a, "nv", REG_SZ);
    put_dword(h.get(), l.a, "v", LOOKUP_VALUE | LOOKUP_EXACT, 7);
    del_value(h.get(), l.a, "big");
    del_key(h.get(), l.a, "b");
    rdel_keys(h.get(), "a", 0, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h->buffer), static_cast<size_t>(h->size)), loaded);
    EXPECT_FALSE(h->state & HIVE_DIRTY);
    EXPECT_STRNE(hive_damage(h.get()), "");
    long len = 0;
    EXPECT_TRUE(hive_image(h.get(), &len));
    EXPECT_LT(len, 1 << 20) << "a damaged hive must not grow to the size its header claims";
}

INSTANTIATE_TEST_SUITE_P(Cases, Damage, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

// Fuzzing found these two: deleting a key whose value cells or index records
// overlap its record read the record again after freeing them. The deletion
// is refused, with the damage named, whichever way it is asked for.
TEST(Damage, DeletingAKeyThatOverlapsItsRecordsIsRefused) {
    for (const char* name : {"delete-values-overlapping-key", "delete-key-overlapping-records"}) {
        SCOPED_TRACE(name);
        ScratchDir dir;
        const std::string file = dir.copy(sample(std::string("crashes/") + name), "hive");
        const std::string bytes = read_file(file);
        HivePtr h(openHive(file.c_str(), 0));
        ASSERT_TRUE(h);
        int count = 0, sub = 0;
        SubkeyInfo first{}, child{};
        ASSERT_EQ(ex_next_n(h.get(), h->rootofs + 4, &count, &sub, &first), 1);
        count = sub = 0;
        ASSERT_EQ(ex_next_n(h.get(), first.nkoffs + 4, &count, &sub, &child), 1);
        const std::string top = first.name;
        EXPECT_EQ(rdel_keys(h.get(), child.name, first.nkoffs + 4, 0), 0);
        EXPECT_EQ(rdel_keys(h.get(), first.name, 0, 0), 0);
        EXPECT_STRNE(hive_damage(h.get()), "");

        const std::string reg = dir.file("delete.reg");
        write_file(reg, std::string("Windows Registry Editor Version 5.00\r\n\r\n[-\\") + top + "]\r\n");
        std::string error;
        EXPECT_EQ(import_reg(h.get(), reg.c_str(), "", &error), -1);
        EXPECT_NE(error.find("the hive is damaged (offset 0x"), std::string::npos) << error;
        EXPECT_EQ(writeHive(h.get()), 0);
        free(first.name);
        free(child.name);
        h.reset();

        CKRegstry r;
        r.OpenFileHive(file.c_str());
        const unsigned key = r.GetOffset(top.c_str(), 0);
        EXPECT_EQ(r.DeleCurentKey(key, nullptr), 0);
        EXPECT_STRNE(r.Damage(), "");
        EXPECT_EQ(r.SaveHive(), 1);
        r.CloseHive();
        EXPECT_EQ(read_file(file), bytes);
    }
}

TEST(Damage, LoopingParentChainGivesABoundedPath) {
    Layout l{};
    std::string img = base_image(&l);
    kCases[2].damage(img, l);
    HivePtr h(openHiveBuffer("damaged", img.data(), static_cast<long>(img.size()), 0));
    char path[4096] = "";
    EXPECT_LT(get_abs_path(h.get(), l.b, path, sizeof path), 4096);
    EXPECT_EQ(std::string(path, 5), "(...)");
}

}  // namespace
