// Security records are shared by keys and count them, as Windows keeps them:
// adding a key counts it in its parent's record, deleting one uncounts it and
// frees a record no key uses any more. Checked by a reader of the raw bytes
// of its own, and by the full walk, which verifies every count.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hivemend/regtext.h"
#include "support.h"

using namespace hivetest;

namespace {

// The security records of a hive image as its bytes say, read without the
// engine: which keys (reached from the root) name each record, and what the
// record's own count and list links are.
struct SecurityAudit {
    std::map<int32_t, int> users;   // stored offset -> keys naming it
    std::map<int32_t, int> counts;  // stored offset -> its usage counter
    std::set<int32_t> list;         // records reached along the list from the root's
    int keys = 0;

    explicit SecurityAudit(const std::string& img) : img_(img) {
        key(i32(0x24));
        for (const auto& [sk, n] : users) counts[sk] = i32(rec(sk) + 0x0C);
        int32_t at = i32(rec(i32(0x24)) + 0x2C);
        for (size_t guard = 0; list.insert(at).second && guard < 100000; ++guard) at = i32(rec(at) + 0x08);
    }

    bool exact() const {
        for (const auto& [sk, n] : users)
            if (counts.at(sk) != n) return false;
        return true;
    }
    bool used_cell(int32_t stored) const { return i32(0x1000 + stored) < 0; }

private:
    int32_t i32(int64_t ofs) const {
        int32_t v;
        memcpy(&v, img_.data() + ofs, 4);
        return v;
    }
    uint16_t u16(int64_t ofs) const {
        uint16_t v;
        memcpy(&v, img_.data() + ofs, 2);
        return v;
    }
    static int64_t rec(int32_t stored) { return int64_t{stored} + 0x1004; }

    void list_entries(int32_t stored, std::vector<int32_t>* out) const {
        const int64_t r = rec(stored);
        const std::string id = img_.substr(static_cast<size_t>(r), 2);
        const int n = u16(r + 2);
        for (int i = 0; i < n; ++i) {
            if (id == "ri")
                list_entries(i32(r + 4 + 4 * i), out);
            else
                out->push_back(i32(r + 4 + (id == "li" ? 4 : 8) * i));
        }
    }

    void key(int32_t stored) {
        ++keys;
        ++users[i32(rec(stored) + 0x2C)];
        if (i32(rec(stored) + 0x14) <= 0) return;
        std::vector<int32_t> kids;
        list_entries(i32(rec(stored) + 0x1C), &kids);
        for (const int32_t k : kids) key(k);
    }

    const std::string& img_;
};

std::string image(Hive* h) {
    long len = 0;
    const unsigned char* p = hive_image(h, &len);
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(len));
}

class Walk : public HiveVisitor {
public:
    void damage(int, const std::string& what) override { found.push_back(what); }
    std::vector<std::string> found;
};

std::vector<std::string> walk_damage(Hive* h) {
    Walk w;
    hive_visit(h, w, VISIT_PAGES);
    return w.found;
}

TEST(Security, ImportedKeysAreCountedInTheirParentsRecord) {
    ScratchDir dir;
    const std::string hive = dir.copy(sample("NTUSER.DAT"), "NTUSER.DAT");
    const std::string reg = dir.file("new.reg");
    write_file(reg,
               "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Rescue\\A\\B]\r\n\"v\"=dword:00000001\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Rescue\\C]\r\n\r\n"
               "[HKEY_CURRENT_USER\\Software\\Policies\\Rescue]\r\n\r\n"
               "[-HKEY_CURRENT_USER\\Software\\Rescue\\A]\r\n");
    const SecurityAudit before(read_file(hive));
    ASSERT_TRUE(before.exact()) << "the Windows-written sample counts exactly";
    auto expected = before.users;
    {
        HivePtr h(openHive(hive.c_str(), 0));
        // New keys share their parent's record: Software and Software\Policies
        // name records of their own.
        const auto sk_of = [&](const char* path) {
            const int cell = trav_path(h.get(), 0, path, LOOKUP_EXACT);
            return reinterpret_cast<const nk_key*>(h->buffer + cell + 4)->ofs_sk;
        };
        expected[sk_of("Software")] += 2;
        expected[sk_of("Software\\Policies")] += 1;
        std::string error;
        ASSERT_EQ(import_reg(h.get(), reg.c_str(), "HKEY_CURRENT_USER", &error), 0) << error;
        ASSERT_EQ(writeHive(h.get()), 0);
    }
    const SecurityAudit after(read_file(hive));
    EXPECT_EQ(after.keys, before.keys + 3) << "Rescue, Rescue\\C, Policies\\Rescue";
    EXPECT_TRUE(after.exact());
    EXPECT_EQ(after.users, expected);
    HivePtr h(openHive(hive.c_str(), HIVE_READONLY));
    EXPECT_EQ(walk_damage(h.get()), std::vector<std::string>{});
    int status = 0;
    run("hivexml '" + hive + "' > /dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
}

TEST(Security, ARecordNoKeyUsesAnyMoreIsFreedAndUnlinked) {
    // Software\Microsoft\EventSystem and its one subkey alone name their record.
    const std::string bytes = read_file(sample("NTUSER.DAT"));
    HivePtr h(openHiveBuffer("NTUSER.DAT", bytes.data(), static_cast<long>(bytes.size()), 0));
    const int microsoft = trav_path(h.get(), 0, "Software\\Microsoft", LOOKUP_EXACT) + 4;
    const int key = trav_path(h.get(), 0, "Software\\Microsoft\\EventSystem", LOOKUP_EXACT) + 4;
    const int32_t sk = reinterpret_cast<const nk_key*>(h->buffer + key)->ofs_sk;
    const SecurityAudit before(bytes);
    ASSERT_EQ(before.users.at(sk), 2);
    ASSERT_TRUE(before.list.count(sk));

    ASSERT_EQ(rdel_keys(h.get(), "EventSystem", microsoft, 0), 1);
    const std::string img = image(h.get());
    const SecurityAudit after(img);
    EXPECT_FALSE(after.users.count(sk));
    EXPECT_FALSE(after.list.count(sk)) << "unlinked from the list of security records";
    EXPECT_FALSE(after.used_cell(sk)) << "its cell is free";
    EXPECT_EQ(after.list.size(), before.list.size() - 1);
    EXPECT_TRUE(after.exact());
    EXPECT_EQ(walk_damage(h.get()), std::vector<std::string>{});
}

TEST(Security, TheWalkReportsEveryWrongCount) {
    const std::string bytes = read_file(sample("special"));
    const SecurityAudit audit(bytes);
    for (const auto& [sk, n] : audit.users) {
        for (const int wrong : {n - 1, n + 1}) {
            std::string img = bytes;
            memcpy(img.data() + sk + 0x1004 + 0x0C, &wrong, 4);
            HivePtr h(openHiveBuffer("special", img.data(), static_cast<long>(img.size()), 0));
            const auto found = walk_damage(h.get());
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0], "security record counts " + std::to_string(wrong) + " keys, " + std::to_string(n) +
                                    " keys use it");
            int err = 0;
            EXPECT_EQ(add_subkey(h.get(), h->rootofs + 4, "x", &err), 0) << "a hive with a wrong count is not changed";
        }
    }
}

}  // namespace
