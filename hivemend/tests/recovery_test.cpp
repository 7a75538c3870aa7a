// Dirty hives: recovery from the transaction logs at load, as Windows does
// it, on the real dirty samples and on logs damaged in the ways that make
// Windows stop; the clean save, checked by replaying the logs over it; a
// repair of an installation whose user hive is dirty, its backup and
// restore.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "hivemend/CRegFix.h"
#include "hivemend/recovery.h"
#include "rules_support.h"
#include "support.h"

using namespace hivetest;

namespace {

uint32_t u32(const std::string& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void put32(std::string& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

void fix_base_block_sum(std::string& b) {
    put32(b, 0x1FC, regf_checksum(reinterpret_cast<const unsigned char*>(b.data())));
}

// Offsets of the entries of a new-format log, from 512 on.
std::vector<size_t> entry_offsets(const std::string& log) {
    std::vector<size_t> at;
    for (size_t o = 512; o + 40 <= log.size() && log.compare(o, 4, "HvLE") == 0; o += u32(log, o + 4)) at.push_back(o);
    return at;
}

// Recomputes both hashes of the entry at `at`, as a writer of logs would.
void rehash_entry(std::string& log, size_t at) {
    const size_t size = u32(log, at + 4);
    const uint64_t h1 = hive_log_hash(log.data() + at + 40, size - 40);
    std::memcpy(log.data() + at + 24, &h1, 8);
    const uint64_t h2 = hive_log_hash(log.data() + at, 32);
    std::memcpy(log.data() + at + 32, &h2, 8);
}

struct Logs {
    std::vector<std::string> names;
    std::vector<std::string> bytes;
    std::vector<HiveLogData> data() const {
        std::vector<HiveLogData> d;
        for (size_t i = 0; i < bytes.size(); ++i)
            d.push_back({names[i].c_str(), bytes[i].data(), static_cast<long>(bytes[i].size())});
        return d;
    }
};

HivePtr open_with(const std::string& hive, const Logs& logs) {
    const std::vector<HiveLogData> d = logs.data();
    return HivePtr(openHiveWithLogs("hive", hive.data(), static_cast<long>(hive.size()), d.data(),
                                    static_cast<int>(d.size()), HIVE_READONLY));
}

// Keys and values of `after` that `before` lacks.
std::pair<std::set<std::string>, std::set<std::string>> added(const Tree& before, const Tree& after) {
    std::set<std::string> keys, values;
    for (const auto& [key, vals] : after) {
        const auto old = before.find(key);
        if (old == before.end()) keys.insert(key);
        for (const auto& [name, v] : vals)
            if (old == before.end() || !old->second.count(name)) values.insert(key + "\\\\" + name);
    }
    return {keys, values};
}

struct Sample {
    const char* hive;
    const char* logs[2];
    int entries;
    int pages;
    int entries_per_log[2];
    uint32_t last_seq;
    size_t new_keys;
    size_t new_values;
};

// Entries and pages as Windows applies them (the published page counts);
// keys and values that only the logs hold, as our engine and hivexregedit
// both read the recovered hive.
const Sample kSamples[] = {
    {"transactions_NTUSER.DAT",
     {"transactions_ntuser.dat.log1", "transactions_ntuser.dat.log2"},
     23,
     132,
     {23, 0},
     0x24c,
     521,
     595},
    {"UsrClass.dat", {"UsrClass.dat.LOG1", "UsrClass.dat.LOG2"}, 14, 158, {4, 10}, 0x12c, 33, 162},
};

class DirtySample : public ::testing::TestWithParam<Sample> {
protected:
    void SetUp() override {
        const Sample& s = GetParam();
        hive_ = dir_.copy(sample(std::string("dirty/") + s.hive), s.hive);
        for (const char* l : s.logs) logs_.push_back(dir_.copy(sample(std::string("dirty/") + l), l));
        stale_ = read_file(hive_);
    }
    // The hive as the file holds it, without its logs.
    Tree stale_tree() {
        HivePtr h(openHiveBuffer("stale", stale_.data(), static_cast<long>(stale_.size()), HIVE_READONLY));
        return engine_tree(h.get(), nullptr);
    }
    std::map<std::string, std::string> files() const {
        std::map<std::string, std::string> f;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            f[e.path().string()] = read_file(e.path().string());
        return f;
    }

    ScratchDir dir_;
    std::string hive_;
    std::vector<std::string> logs_;
    std::string stale_;
};

TEST_P(DirtySample, RecoveredAsWindowsWouldWithoutWritingAnything) {
    const Sample& s = GetParam();
    const auto before = files();
    const auto mtime = std::filesystem::last_write_time(hive_);
    HivePtr h(openHive(hive_.c_str(), 0));
    ASSERT_TRUE(h);
    const HiveRecovery* r = hive_recovery(h.get());
    EXPECT_EQ(r->state, HIVE_LOGS_RECOVERED);
    EXPECT_NE(r->primary, r->secondary);
    EXPECT_EQ(r->entries, s.entries);
    EXPECT_EQ(r->pages, s.pages);
    EXPECT_EQ(r->last_seq, s.last_seq);
    ASSERT_EQ(r->logs.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(r->logs[i].file, logs_[i]) << "found whatever the letter case, applied in entry order";
        EXPECT_EQ(r->logs[i].format, 6);
        EXPECT_EQ(r->logs[i].entries, s.entries_per_log[i]) << r->logs[i].note;
    }

    int damages = -1;
    const Tree recovered = engine_tree(h.get(), &damages);
    EXPECT_EQ(damages, 0);
    const auto [keys, values] = added(stale_tree(), recovered);
    EXPECT_EQ(keys.size(), s.new_keys);
    EXPECT_EQ(values.size(), s.new_values);

    // Opening and an unchanged hive's save write nothing.
    EXPECT_EQ(writeHive(h.get()), 0);
    EXPECT_EQ(files(), before);
    EXPECT_EQ(std::filesystem::last_write_time(hive_), mtime);

    // The peer reads the recovered hive, written clean to a new file, as we do.
    const std::string out = dir_.file("recovered");
    ASSERT_EQ(saveHiveAs(h.get(), out.c_str()), 0);
    EXPECT_EQ(hivex_tree(out), recovered);
    int status = -1;
    run("hivexml '" + out + "' > /dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(saveHiveAs(h.get(), out.c_str()), 1) << "a file that exists is never replaced";
    EXPECT_EQ(read_file(hive_), stale_);
}

// What Windows checks in the base block of a hive it loads: both sequence
// numbers equal (above every log entry applied), the checksum right, and
// bins that fill exactly the bins data size.
void expect_clean(const std::string& file, uint32_t above) {
    const std::string b = read_file(file);
    ASSERT_GE(b.size(), 4096u);
    EXPECT_EQ(u32(b, 4), u32(b, 8));
    EXPECT_GT(u32(b, 4), above);
    EXPECT_EQ(u32(b, 0x1FC), regf_checksum(reinterpret_cast<const unsigned char*>(b.data())));
    const uint32_t data_size = u32(b, 0x28);
    size_t at = 4096;
    while (at < 4096 + data_size) {
        ASSERT_LE(at + 32, b.size());
        ASSERT_EQ(b.compare(at, 4, "hbin"), 0) << "at " << at;
        ASSERT_EQ(u32(b, at + 4), at - 4096);
        at += u32(b, at + 8);
    }
    EXPECT_EQ(at, 4096 + data_size);
}

TEST_P(DirtySample, AChangedHiveIsSavedCleanAndTheNextStartReplaysNothing) {
    uint32_t last = 0;
    Tree saved;
    {
        HivePtr h(openHive(hive_.c_str(), 0));
        last = hive_recovery(h.get())->last_seq;
        int err = 0;
        const int key = add_subkey(h.get(), h->rootofs + 4, "RescueRepair", &err);
        ASSERT_TRUE(key);
        ASSERT_TRUE(add_value(h.get(), key, "Shell", REG_SZ));
        ASSERT_EQ(writeHive(h.get()), 0);
        saved = engine_tree(h.get(), nullptr);
    }
    expect_clean(hive_, last);
    const std::string bytes = read_file(hive_);
    const auto [keys, values] = added(stale_tree(), saved);
    EXPECT_EQ(keys.size(), GetParam().new_keys + 1) << "the recovered data and the change";

    // The next start: Windows finds a clean hive and leaves it as it is.
    HivePtr again(openHive(hive_.c_str(), HIVE_READONLY));
    EXPECT_EQ(hive_recovery(again.get())->state, HIVE_LOGS_CLEAN);
    ASSERT_EQ(static_cast<size_t>(again->size), bytes.size());
    EXPECT_EQ(std::memcmp(again->buffer, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(hivex_tree(hive_), saved);

    // Even were it marked dirty again, no entry of the logs is new enough
    // to be laid over it.
    std::string marked = bytes;
    put32(marked, 4, u32(marked, 4) + 1);
    fix_base_block_sum(marked);
    Logs logs;
    for (const std::string& l : logs_) {
        logs.names.push_back(l);
        logs.bytes.push_back(read_file(l));
    }
    HivePtr replayed = open_with(marked, logs);
    EXPECT_EQ(hive_recovery(replayed.get())->state, HIVE_LOGS_UNUSABLE);
    EXPECT_EQ(hive_recovery(replayed.get())->entries, 0);
}

INSTANTIATE_TEST_SUITE_P(Samples, DirtySample, ::testing::ValuesIn(kSamples),
                         [](const auto& p) { return std::string(p.param.hive).substr(0, 7); });

// Damaged logs of the UsrClass sample, whose entries run from LOG1
// (0x11f-0x122: 3, 3, 41, 6 pages) into LOG2 (0x123-0x12c: 3, 24, 4, 13,
// 8, 10, 13, 13, 5, 12 pages); the hive's secondary sequence number is 0xff.
struct Damage {
    const char* name;
    std::function<void(std::string& hive, Logs& logs)> apply;
    int state;
    int entries;
    int pages;
    const char* note;  // in the note of some log, or of the recovery
};

const Damage kDamages[] = {
    {"intact", [](std::string&, Logs&) {}, HIVE_LOGS_RECOVERED, 14, 158, "ends: no further entry"},
    {"wrong hash", [](std::string&, Logs& l) { l.bytes[1][entry_offsets(l.bytes[1])[3] + 600] ^= 1; },
     HIVE_LOGS_RECOVERED, 7, 84, "has a wrong hash"},
    {"gap in sequence numbers",
     [](std::string&, Logs& l) {
         const size_t at = entry_offsets(l.bytes[1])[2];
         put32(l.bytes[1], at + 12, 0x126);
         rehash_entry(l.bytes[1], at);
     },
     HIVE_LOGS_RECOVERED, 6, 80, "sequence number 0x126 where 0x125 was due"},
    {"truncated entry", [](std::string&, Logs& l) { l.bytes[1].resize(entry_offsets(l.bytes[1])[4] + 1000); },
     HIVE_LOGS_RECOVERED, 8, 97, "runs past the end of the log"},
    {"bins data size not a multiple of 4096",
     [](std::string&, Logs& l) {
         const size_t at = entry_offsets(l.bytes[0])[1];
         put32(l.bytes[0], at + 16, u32(l.bytes[0], at + 16) + 512);
         rehash_entry(l.bytes[0], at);
     },
     HIVE_LOGS_RECOVERED, 1, 3, "not a multiple of 4096"},
    {"page outside the hive data",
     [](std::string&, Logs& l) {
         const size_t at = entry_offsets(l.bytes[1])[0];
         put32(l.bytes[1], at + 40, u32(l.bytes[1], at + 16));
         rehash_entry(l.bytes[1], at);
     },
     HIVE_LOGS_RECOVERED, 4, 53, "lies outside the hive data"},
    {"log base block not whole",
     [](std::string&, Logs& l) {
         put32(l.bytes[0], 8, u32(l.bytes[0], 8) + 1);
         fix_base_block_sum(l.bytes[0]);
     },
     HIVE_LOGS_RECOVERED, 10, 105, "sequence numbers 0x11f and 0x120 differ"},
    {"log of another hive",
     [](std::string&, Logs& l) {
         l.bytes[0] = read_file(sample("dirty/transactions_ntuser.dat.log1"));
         l.bytes.pop_back();
         l.names.pop_back();
     },
     HIVE_LOGS_UNUSABLE, 0, 0, "belongs to another hive"},
    {"entries older than the hive",
     [](std::string& hive, Logs&) {
         put32(hive, 8, 0x200);
         fix_base_block_sum(hive);
     },
     HIVE_LOGS_UNUSABLE, 0, 0, "are older than the hive"},
    {"hive base block broken", [](std::string& hive, Logs&) { hive[0x100] ^= 1; }, HIVE_LOGS_RECOVERED, 10, 105,
     "only the log with the latest entries applies"},
    {"hive base block broken, the log's first entry claims 2 GB",
     [](std::string& hive, Logs& l) {
         hive[0x100] ^= 1;
         const size_t at = entry_offsets(l.bytes[1])[0];
         put32(l.bytes[1], at + 16, 0x7FFFF000);
         rehash_entry(l.bytes[1], at);
     },
     HIVE_LOGS_UNUSABLE, 0, 0, "more than its logs can have written"},
};

class DamagedLogs : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedLogs, RecoveryStopsWhereWindowsStops) {
    const Damage& d = GetParam();
    std::string hive = read_file(sample("dirty/UsrClass.dat"));
    Logs logs;
    for (const char* n : {"UsrClass.dat.LOG1", "UsrClass.dat.LOG2"}) {
        logs.names.emplace_back(n);
        logs.bytes.push_back(read_file(sample(std::string("dirty/") + n)));
    }
    d.apply(hive, logs);
    HivePtr h = open_with(hive, logs);
    ASSERT_TRUE(h);
    const HiveRecovery* r = hive_recovery(h.get());
    EXPECT_EQ(r->state, d.state);
    EXPECT_EQ(r->entries, d.entries);
    EXPECT_EQ(r->pages, d.pages);
    std::string notes = r->note;
    for (const HiveLogReport& l : r->logs) notes += " | " + l.file + ": " + l.note;
    EXPECT_NE(notes.find(d.note), std::string::npos) << notes;
    if (d.state == HIVE_LOGS_RECOVERED) {
        EXPECT_EQ(u32(std::string(reinterpret_cast<const char*>(h->buffer), 12), 4), r->last_seq);
    } else {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(h->buffer), hive.size()), hive) << "read as it is";
    }
    engine_tree(h.get(), nullptr);  // whatever was laid over it, the walk stays inside the image
}

INSTANTIATE_TEST_SUITE_P(UsrClass, DamagedLogs, ::testing::ValuesIn(kDamages), [](const auto& p) {
    std::string n = p.param.name;
    for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
});

// The old format (Windows XP to 8) has no sample: a log made here from a
// change the engine itself makes to a small hive, so large that it adds a
// bin, as Windows would have logged it.
class OldFormat : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string minimal = read_file(sample("minimal"));
        HivePtr h(openHiveBuffer("new", minimal.data(), static_cast<long>(minimal.size()), 0));
        int err = 0;
        const int key = add_subkey(h.get(), h->rootofs + 4, "Added", &err);
        ValueBuffer* v = new_valuebuffer(6000);
        std::memset(vb_data(v), 'x', 6000);
        add_value(h.get(), key, "big", REG_BINARY);
        put_buf2val(h.get(), v, key, "big", REG_BINARY, LOOKUP_VALUE | LOOKUP_EXACT);
        free(v);
        long len = 0;
        const unsigned char* image = hive_image(h.get(), &len);
        newer_.assign(reinterpret_cast<const char*>(image), static_cast<size_t>(h->endofs));
        tree_ = engine_tree(h.get(), nullptr);

        stale_ = minimal;
        put32(stale_, 4, 7);
        put32(stale_, 8, 6);
        put32(stale_, 12, 0x1234);
        fix_base_block_sum(stale_);

        std::string base = newer_.substr(0, 512);
        put32(base, 4, 7);
        put32(base, 8, 7);
        put32(base, 12, 0x1234);
        put32(base, 28, 1);
        fix_base_block_sum(base);
        const uint32_t data_size = u32(newer_, 0x28);
        ASSERT_GT(data_size, 4096u) << "the change must add a bin";
        std::string bitmap(data_size / 512 / 8, '\0');
        std::string pages;
        // Windows marks a bin it adds dirty as a whole.
        const std::string old = stale_ + std::string(newer_.size() - stale_.size(), '\1');
        for (size_t n = 0; n < data_size / 512; ++n) {
            const size_t at = 4096 + 512 * n;
            if (newer_.compare(at, 512, old, at, 512) == 0) continue;
            bitmap[n / 8] = static_cast<char>(bitmap[n / 8] | (1 << (n % 8)));
            pages += newer_.substr(at, 512);
            ++dirty_pages_;
        }
        log_ = base + "DIRT" + bitmap;
        log_.resize((log_.size() + 511) / 512 * 512, '\0');
        log_ += pages;
    }

    std::string newer_, stale_, log_;
    Tree tree_;
    int dirty_pages_ = 0;
};

TEST_F(OldFormat, TheLogBesideTheHiveBringsBackTheChange) {
    ScratchDir dir;
    write_file(dir.file("SECURITY"), stale_);
    write_file(dir.file("security.log"), log_);
    HivePtr h(openHive(dir.file("SECURITY").c_str(), HIVE_READONLY));
    const HiveRecovery* r = hive_recovery(h.get());
    EXPECT_EQ(r->state, HIVE_LOGS_RECOVERED);
    EXPECT_EQ(r->pages, dirty_pages_);
    ASSERT_EQ(r->logs.size(), 1u);
    EXPECT_EQ(r->logs[0].format, 1);
    EXPECT_EQ(engine_tree(h.get(), nullptr), tree_);
    EXPECT_EQ(read_file(dir.file("SECURITY")), stale_);
}

TEST_F(OldFormat, ALogOfAnotherTimeIsNotApplied) {
    put32(log_, 12, 0x1235);
    fix_base_block_sum(log_);
    HivePtr h = open_with(stale_, Logs{{"SECURITY.LOG"}, {log_}});
    EXPECT_EQ(hive_recovery(h.get())->state, HIVE_LOGS_UNUSABLE);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h->buffer), stale_.size()), stale_);
}

TEST_F(OldFormat, RecoveryStopsAtTheFirstBinThatIsNotWhole) {
    // The new bin's header is the last dirty page that starts a bin.
    const size_t first_page = (512 + 4 + u32(newer_, 0x28) / 512 / 8 + 511) / 512 * 512;
    size_t bin_page = 0;
    for (size_t at = first_page; at < log_.size(); at += 512)
        if (log_.compare(at, 4, "hbin") == 0 && u32(log_, at + 4) != 0) bin_page = at;
    ASSERT_NE(bin_page, 0u);
    log_[bin_page] = 'X';
    HivePtr h = open_with(stale_, Logs{{"SECURITY.LOG"}, {log_}});
    const HiveRecovery* r = hive_recovery(h.get());
    EXPECT_EQ(r->state, HIVE_LOGS_RECOVERED);
    EXPECT_LT(r->pages, dirty_pages_);
    EXPECT_EQ(h->endofs, 8192) << "the hive ends before the bin that is not whole";
    EXPECT_NE(r->logs[0].note.find("is not whole"), std::string::npos) << r->logs[0].note;
}

// A Windows 10 installation whose user Alice has the dirty sample as her
// NTUSER.DAT, with its logs named as Windows names them.
class DirtyInstallation : public ::testing::Test {
protected:
    void SetUp() override {
        hive_ = inst_.win().userHive("Alice");
        const std::string dir = hive_.substr(0, hive_.rfind('/') + 1);
        logs_ = {dir + "ntuser.dat.LOG1", dir + "ntuser.dat.LOG2"};
        write_file(hive_, read_file(sample("dirty/transactions_NTUSER.DAT")));
        write_file(logs_[0], read_file(sample("dirty/transactions_ntuser.dat.log1")));
        write_file(logs_[1], read_file(sample("dirty/transactions_ntuser.dat.log2")));
        for (const std::string& f : {hive_, logs_[0], logs_[1]}) original_[f] = read_file(f);
    }
    std::unique_ptr<CRegFix> engine(const std::string& json) {
        auto fix = std::make_unique<CRegFix>();
        fix->SetHiveFileDriver(inst_.root().c_str());
        fix->LoadRuleDB(inst_.rules(json).c_str());
        return fix;
    }

    rulestest::Installation inst_{winfixture::Options{winfixture::Version::Win10, true, {"Alice", "Bob"}, {}}};
    std::string hive_;
    std::vector<std::string> logs_;
    std::map<std::string, std::string> original_;
};

TEST_F(DirtyInstallation, RepairSavesTheRecoveredHiveCleanAndRestoreGivesBackHiveAndLogs) {
    // A key that only the logs hold.
    Tree stale, recovered;
    {
        const std::string& bytes = original_[hive_];
        HivePtr s(openHiveBuffer("stale", bytes.data(), static_cast<long>(bytes.size()), HIVE_READONLY));
        stale = engine_tree(s.get(), nullptr);
        HivePtr r(openHive(hive_.c_str(), HIVE_READONLY));
        recovered = engine_tree(r.get(), nullptr);
    }
    const auto [only_in_logs, unused] = added(stale, recovered);
    ASSERT_FALSE(only_in_logs.empty());
    const std::string logged_key = *only_in_logs.begin();

    auto fix = engine(R"({"Shell": [{"key": "HKEY_CURRENT_USER\\Software\\Rescue",
        "value": {"Shell": {"type": "REG_SZ", "value": "explorer.exe"}}}]})");
    ASSERT_EQ(fix->BakHiveFile(), 1);
    for (const auto& [file, bytes] : original_) EXPECT_EQ(read_file(file + ".bhv"), bytes) << file;
    ASSERT_EQ(fix->getItemState(0), 1);
    ASSERT_EQ(fix->Repair(0), 1);

    bool named = false;
    for (const auto& [file, state] : fix->HiveLogStates()) {
        if (file != hive_) continue;
        named = true;
        EXPECT_EQ(state.state, HIVE_LOGS_RECOVERED);
        EXPECT_EQ(state.pages, 132);
    }
    EXPECT_TRUE(named) << "the engine names the hive it recovered";

    expect_clean(hive_, 0x24c);
    for (const std::string& l : logs_) EXPECT_EQ(read_file(l), original_[l]) << "logs are never changed";
    const Tree repaired = hivex_tree(hive_);
    ASSERT_FALSE(repaired.empty()) << "hivexregedit reads the repaired hive";
    EXPECT_TRUE(repaired.count(logged_key)) << logged_key;
    EXPECT_EQ(repaired.at(logged_key), recovered.at(logged_key));
    EXPECT_EQ(repaired.at("\\Software\\Rescue").at("Shell"), (Value{REG_SZ, winfixture::sz("explorer.exe")}));
    {
        HivePtr next(openHive(hive_.c_str(), HIVE_READONLY));
        EXPECT_EQ(hive_recovery(next.get())->state, HIVE_LOGS_CLEAN) << "nothing for Windows to replay";
    }

    ASSERT_EQ(fix->RestoreHiveFile(), 1);
    for (const auto& [file, bytes] : original_) EXPECT_EQ(read_file(file), bytes) << file;
}

}  // namespace
