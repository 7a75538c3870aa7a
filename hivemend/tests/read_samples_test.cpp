// Every sample hive reads exactly as the hivex tools read it.

#include <gtest/gtest.h>

#include "support.h"

using namespace hivetest;

namespace {

class SampleTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleTest, EngineReadsWhatHivexReads) {
    const std::string file = sample(GetParam());
    HivePtr h(openHive(file.c_str(), HIVE_READONLY));
    ASSERT_TRUE(h);
    int damages = -1;
    const Tree ours = engine_tree(h.get(), &damages);
    EXPECT_EQ(damages, 0);
    const Tree theirs = hivex_tree(file);
    ASSERT_FALSE(theirs.empty()) << "hivexregedit could not read " << file;
    EXPECT_EQ(ours.size(), theirs.size());
    for (const auto& [key, values] : theirs) {
        const auto it = ours.find(key);
        ASSERT_NE(it, ours.end()) << "key missing: " << key;
        EXPECT_EQ(it->second, values) << "values differ under " << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleTest,
                         ::testing::Values("minimal", "special", "rlenvalue_test_hive", "SAM", "SECURITY", "NTUSER.DAT",
                                           "SYSTEM"));

TEST(SampleTest, GuessesHiveTypes) {
    const std::pair<const char*, int> cases[] = {{"SYSTEM", HIVE_TYPE_SYSTEM},
                                                 {"SAM", HIVE_TYPE_SAM},
                                                 {"SECURITY", HIVE_TYPE_SECURITY},
                                                 {"NTUSER.DAT", HIVE_TYPE_UNKNOWN},
                                                 {"minimal", HIVE_TYPE_UNKNOWN}};
    for (const auto& [name, type] : cases) {
        HivePtr h(openHive(sample(name).c_str(), HIVE_READONLY));
        ASSERT_TRUE(h);
        EXPECT_EQ(h->type, type) << name;
    }
}

TEST(SampleTest, BigDataOfBothFormatsReadsWhole) {
    // SYSTEM (format 1.5) keeps big values in db records, NTUSER.DAT (1.3) in one cell.
    for (const char* name : {"SYSTEM", "NTUSER.DAT"}) {
        HivePtr h(openHive(sample(name).c_str(), HIVE_READONLY));
        ASSERT_TRUE(h);
        struct Big : HiveVisitor {
            void value(int, int, const ValueBuffer* d) override {
                if (d && d->len > VAL_MAX_CELL_DATA) ++count;
            }
            int count = 0;
        } big;
        hive_visit(h.get(), big, 0);
        EXPECT_GT(big.count, 0) << name;
    }
}

TEST(DamagedSample, LoadsWhatIsReadableAndReportsTheRest) {
    HivePtr h(openHive(sample("corrupted_system_hive").c_str(), HIVE_READONLY));
    ASSERT_TRUE(h);
    int damages = 0;
    const Tree t = engine_tree(h.get(), &damages);
    EXPECT_GT(damages, 0);
    EXPECT_GT(t.size(), 1000u);
    EXPECT_TRUE(trav_path(h.get(), 0, "\\ControlSet001", LOOKUP_EXACT));
    EXPECT_TRUE(hivex_tree(sample("corrupted_system_hive")).empty()) << "hivex now opens it: a weaker sample";
}

TEST(SampleFiles, EmptyFileGivesNoHandle) {
    ScratchDir dir;
    write_file(dir.file("empty"), "");
    EXPECT_EQ(openHive(dir.file("empty").c_str(), 0), nullptr);
    EXPECT_EQ(openHive(dir.file("missing").c_str(), 0), nullptr);
}

TEST(SampleFiles, NonHiveGivesAHandleOnWhichLookupsFail) {
    ScratchDir dir;
    write_file(dir.file("text"), std::string(9000, 'x'));
    HivePtr h(openHive(dir.file("text").c_str(), 0));
    ASSERT_TRUE(h);
    EXPECT_EQ(trav_path(h.get(), 0, "", 0), 0);
    EXPECT_EQ(add_key(h.get(), 0, "a"), nullptr);
    EXPECT_EQ(writeHive(h.get()), 0);
    EXPECT_EQ(read_file(dir.file("text")), std::string(9000, 'x'));
}

}  // namespace
