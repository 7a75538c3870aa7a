// Cell allocation: sizes, splits, merges, page growth, and first-fit results
// that match a scan of every page.

#include <gtest/gtest.h>

#include <random>

#include "support.h"

using namespace hivetest;

namespace {

int cell_size(const Hive* h, int cell) { return get_int(h->buffer + cell); }

HivePtr open_copy(const std::string& name) {
    const std::string bytes = read_file(sample(name));
    return HivePtr(openHiveBuffer(name.c_str(), bytes.data(), static_cast<long>(bytes.size()), 0));
}

// A fresh page whose cells are: guard, a free cell of `len` bytes, guard.
int free_cell_between_guards(Hive* h, int len) {
    const int page = add_bin(h, 8000);
    const int a = alloc_block(h, page, 20);
    const int b = alloc_block(h, page, len - 4);
    alloc_block(h, page, 20);
    EXPECT_EQ(b, a + 24);
    EXPECT_EQ(-cell_size(h, b), len);
    free_block(h, b);
    return b;
}

TEST(Alloc, SplitsAFreeCellOrTakesItWhole) {
    const std::pair<int, int> cases[] = {{112, 8}, {104, 0}};
    for (const auto& [free_len, rest] : cases) {
        HivePtr h = open_copy("minimal");
        const int cell = free_cell_between_guards(h.get(), free_len);
        EXPECT_EQ(alloc_block(h.get(), cell, 100), cell);
        EXPECT_EQ(cell_size(h.get(), cell), -(free_len - rest)) << free_len;
        if (rest) {
            EXPECT_EQ(cell_size(h.get(), cell + 104), rest);
        }
    }
}

TEST(Alloc, RequestsThatFitNowhereAddAPageAtTheEnd) {
    const std::pair<int, int> cases[] = {{4000, 4096}, {4060, 8192}};
    for (const auto& [request, page] : cases) {
        HivePtr h = open_copy("minimal");
        const int endofs = h->endofs;
        const int cell = alloc_block(h.get(), 0, request);
        EXPECT_EQ(cell, endofs + 0x20);
        EXPECT_EQ(h->endofs, endofs + page);
        EXPECT_EQ(get_int(h->buffer + REGF_DATA_SIZE), h->endofs - HBIN_START);
        EXPECT_TRUE(h->state & HIVE_EXPANDED);
        if (request == 4000) {
            EXPECT_EQ(cell_size(h.get(), cell), -4008);
            EXPECT_EQ(cell_size(h.get(), cell + 4008), 56);
        }
    }
}

TEST(Alloc, ImageGrowsInQuarterMegabyteSteps) {
    HivePtr h = open_copy("minimal");
    add_bin(h.get(), 100);
    EXPECT_EQ(h->size, 0x40000);
    const int r = 0x40000 - h->endofs;
    add_bin(h.get(), r - 4096 - 36);
    EXPECT_EQ(h->endofs, 0x40000);
    EXPECT_EQ(h->size, 0x80000);
}

TEST(Alloc, FreeingNeighboursLeavesOneZeroedCell) {
    HivePtr h = open_copy("minimal");
    const int page = add_bin(h.get(), 8000);
    const int a = alloc_block(h.get(), page, 100);
    const int b = alloc_block(h.get(), page, 100);
    alloc_block(h.get(), page, 100);
    memset(h->buffer + a + 4, 0xAB, 100);
    memset(h->buffer + b + 4, 0xCD, 100);
    free_block(h.get(), a);
    EXPECT_EQ(free_block(h.get(), b), 208);
    EXPECT_EQ(cell_size(h.get(), a), 208);
    for (int i = 4; i < 208; ++i) ASSERT_EQ(h->buffer[a + i], 0) << i;
    EXPECT_EQ(free_block(h.get(), a), 0) << "freeing a free cell must fail";
}

TEST(Alloc, RefusedInNoAllocAndNoExpandModes) {
    HivePtr h = open_copy("minimal");
    h->state |= HIVE_NOEXPAND;
    EXPECT_EQ(alloc_block(h.get(), 0, 100000), 0);
    EXPECT_EQ(h->endofs, 0x2000);
    h->state |= HIVE_NOALLOC;
    EXPECT_EQ(alloc_block(h.get(), 0, 8), 0);
}

// Naive first fit: every page from the start, every cell in order.
int scan_first_fit(const Hive* h, int size) {
    for (int page = HBIN_START; page < h->endofs; page += get_int(h->buffer + page + 8)) {
        const int end = page + get_int(h->buffer + page + 8);
        for (int c = page + 0x20; c < end; c += std::abs(cell_size(h, c)))
            if (cell_size(h, c) >= size) return c;
    }
    return 0;
}

TEST(Alloc, FreeSpaceIndexFindsWhatAFullScanFinds) {
    HivePtr h = open_copy("SYSTEM");
    std::mt19937 rng(11);
    std::vector<int> live;
    for (int step = 0; step < 1500; ++step) {
        const int size = 8 << (rng() % 10);
        ASSERT_EQ(find_free(h.get(), size + 4), scan_first_fit(h.get(), (size + 4 + 7) & ~7)) << step;
        if (live.empty() || rng() % 3) {
            live.push_back(alloc_block(h.get(), 0, static_cast<int>(rng() % 3000)));
        } else {
            const size_t i = rng() % live.size();
            free_block(h.get(), live[i]);
            live.erase(live.begin() + static_cast<long>(i));
        }
    }
}

}  // namespace
