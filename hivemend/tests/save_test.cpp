// Saving: nothing torn, nothing written without a change, the file's mode kept.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include "support.h"

using namespace hivetest;

namespace {

int root(const Hive* h) { return h->rootofs + 4; }

TEST(Save, UnchangedHiveIsNotWritten) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("SECURITY"), "hive");
    const auto before = std::filesystem::last_write_time(file);
    HivePtr h(openHive(file.c_str(), 0));
    ASSERT_TRUE(h);
    EXPECT_EQ(writeHive(h.get()), 0);
    EXPECT_EQ(std::filesystem::last_write_time(file), before);
}

TEST(Save, ReadOnlyHiveIsNeverWritten) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("minimal"), "hive");
    HivePtr h(openHive(file.c_str(), HIVE_READONLY));
    ASSERT_TRUE(add_key(h.get(), root(h.get()), "k"));
    EXPECT_EQ(writeHive(h.get()), 0);
    EXPECT_EQ(read_file(file), read_file(sample("minimal")));
}

TEST(Save, KeepsModeAndBytesAfterTheDataAndStoresTheChecksum) {
    // NTUSER.DAT holds bytes after the end of its hive data.
    ScratchDir dir;
    const std::string file = dir.copy(sample("NTUSER.DAT"), "NTUSER.DAT");
    std::string bytes = read_file(file);
    bytes[0x1FC] ^= 0x5A;  // a wrong checksum still loads
    write_file(file, bytes);
    chmod(file.c_str(), 0640);
    HivePtr h(openHive(file.c_str(), 0));
    ASSERT_TRUE(h);
    const int endofs = h->endofs;
    ASSERT_LT(endofs, h->size);
    ASSERT_TRUE(add_value(h.get(), root(h.get()), "added", REG_DWORD));
    ASSERT_EQ(writeHive(h.get()), 0);
    const std::string saved = read_file(file);
    EXPECT_EQ(saved.substr(static_cast<size_t>(endofs)), bytes.substr(static_cast<size_t>(endofs)));
    EXPECT_EQ(get_int(saved.data() + 0x1FC), calc_regfsum(h.get()));
    struct stat st {};
    stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Save, GrownImageIsWrittenWhole) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("minimal"), "hive");
    HivePtr h(openHive(file.c_str(), 0));
    ASSERT_TRUE(alloc_block(h.get(), 0, 4000));
    ASSERT_TRUE(h->state & HIVE_EXPANDED);
    ASSERT_EQ(writeHive(h.get()), 0);
    EXPECT_EQ(read_file(file).size(), static_cast<size_t>(h->size));
    EXPECT_EQ(get_int(read_file(file).data() + REGF_DATA_SIZE), 0x2000);
}

// A file size limit makes the kernel cut the save's write short, as a full
// disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    sighandler_t old_handler_;
};

TEST(Save, ShortWriteLeavesTheOriginalWholeAndTheHiveDirty) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("SAM"), "SAM");
    const std::string original = read_file(file);
    HivePtr h(openHive(file.c_str(), 0));
    ASSERT_TRUE(add_key(h.get(), root(h.get()), "NewKey"));
    {
        FileSizeLimit limit(original.size() / 2);
        EXPECT_EQ(writeHive(h.get()), 1);
    }
    EXPECT_EQ(read_file(file), original);
    EXPECT_TRUE(h->state & HIVE_DIRTY);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary file left";
    ASSERT_EQ(writeHive(h.get()), 0);
    HivePtr again(openHive(file.c_str(), HIVE_READONLY));
    EXPECT_TRUE(trav_path(again.get(), 0, "NewKey", LOOKUP_EXACT));
}

// A save killed between writing its temporary file and renaming it leaves
// that file behind; the next successful save of the hive removes what it
// names so, and nothing else.
TEST(Save, RemovesTheTemporaryFilesOfInterruptedSaves) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("minimal"), "NTUSER.DAT");
    for (const char* name : {".NTUSER.DAT.a1B2c3", ".NTUSER.DAT.Zz9999"}) write_file(dir.file(name), "left over");
    for (const char* name : {".NTUSER.DAT.a1B2c", ".NTUSER.DAT.a1B2c3d", "NTUSER.DAT.a1B2c3", ".NTUSER.DAT.a1-2c3",
                             ".SAM.a1B2c3", "NTUSER.DAT.bhv"})
        write_file(dir.file(name), "not ours");
    std::filesystem::create_directory(dir.file(".NTUSER.DAT.qwerty"));
    HivePtr h(openHive(file.c_str(), 0));
    ASSERT_TRUE(add_key(h.get(), root(h.get()), "k"));
    ASSERT_EQ(writeHive(h.get()), 0);
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) left.insert(e.path().filename().string());
    EXPECT_EQ(left,
              (std::set<std::string>{"NTUSER.DAT", ".NTUSER.DAT.a1B2c", ".NTUSER.DAT.a1B2c3d", "NTUSER.DAT.a1B2c3",
                                     ".NTUSER.DAT.a1-2c3", ".SAM.a1B2c3", "NTUSER.DAT.bhv", ".NTUSER.DAT.qwerty"}));
}

TEST(Save, ASymbolicLinkStaysOneAndItsTargetIsWritten) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("elsewhere"));
    const std::string target = dir.copy(sample("minimal"), "elsewhere/hive");
    const std::string link = dir.file("hive");
    std::filesystem::create_symlink("elsewhere/hive", link);
    HivePtr h(openHive(link.c_str(), 0));
    ASSERT_TRUE(add_key(h.get(), root(h.get()), "k"));
    ASSERT_EQ(writeHive(h.get()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    HivePtr again(openHive(target.c_str(), HIVE_READONLY));
    EXPECT_TRUE(trav_path(again.get(), 0, "k", LOOKUP_EXACT));
}

TEST(Save, ImageInMemoryCarriesTheChecksum) {
    HivePtr h(openHiveBuffer("mem", read_file(sample("special")).data(), 8192, 0));
    ASSERT_TRUE(add_key(h.get(), root(h.get()), "x"));
    long len = 0;
    const unsigned char* image = hive_image(h.get(), &len);
    EXPECT_EQ(len, h->size);
    EXPECT_EQ(get_int(image + 0x1FC), calc_regfsum(h.get()));
}

}  // namespace
