// Opening hive files: only regular files are opened, nothing blocks on a
// FIFO or touches a device, every refusal keeps its reason, and a hive that
// cannot be written (read-only, immutable) still opens for reading.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "hivemend/hivebackup.h"
#include "support.h"

using namespace hivetest;

namespace {

namespace fs = std::filesystem;

struct Refused {
    const char* what;
    std::function<void(const std::string&)> make;
    std::string reason;
};

class OpenRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(OpenRefuses, WithItsReasonAndWithoutBlocking) {
    ScratchDir dir;
    const std::string path = dir.file("NTUSER.DAT");
    GetParam().make(path);
    EXPECT_EQ(openHive(path.c_str(), 0), nullptr);
    EXPECT_EQ(std::string(hive_open_error()), GetParam().reason);
    HivePtr fine(openHive(sample("minimal").c_str(), 0));
    EXPECT_TRUE(fine);
    EXPECT_STREQ(hive_open_error(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OpenRefuses,
    ::testing::Values(
        Refused{"Missing", [](const std::string&) {}, "No such file or directory"},
        Refused{"Empty", [](const std::string& p) { write_file(p, ""); }, "the file is empty"},
        Refused{"Folder", [](const std::string& p) { fs::create_directory(p); }, "not a regular file but a folder"},
        Refused{"Fifo", [](const std::string& p) { mkfifo(p.c_str(), 0644); }, "not a regular file but a FIFO"},
        Refused{"LinkToADevice", [](const std::string& p) { fs::create_symlink("/dev/zero", p); },
                "not a regular file but a device"},
        Refused{"DanglingLink", [](const std::string& p) { fs::create_symlink(p + ".gone", p); },
                "No such file or directory"}),
    [](const ::testing::TestParamInfo<Refused>& p) { return std::string(p.param.what); });

// The immutable attribute (chattr +i) of a file, where the file system and
// our rights allow setting it.
bool set_immutable(const std::string& path, bool on) {
    const int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    bool ok = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) close(fd);
    return ok;
}

TEST(Open, AHiveThatCannotBeWrittenOpensForReading) {
    ScratchDir dir;
    const std::string file = dir.copy(sample("SAM"), "SAM");
    chmod(file.c_str(), 0444);
    {
        HivePtr h(openHive(file.c_str(), 0));
        ASSERT_TRUE(h) << hive_open_error();
        EXPECT_TRUE(trav_path(h.get(), 0, "SAM\\Domains", LOOKUP_EXACT));
    }
    if (!set_immutable(file, true)) GTEST_SKIP() << "this file system or user cannot set the immutable attribute";
    const std::string bytes = read_file(file);
    HivePtr h(openHive(file.c_str(), 0));
    const bool opened = h != nullptr;
    if (h) {
        ASSERT_TRUE(add_key(h.get(), h->rootofs + 4, "New"));
        EXPECT_EQ(writeHive(h.get()), 1) << "an immutable file cannot be replaced";
    }
    set_immutable(file, false);
    EXPECT_TRUE(opened) << "an immutable hive opens for reading";
    EXPECT_EQ(read_file(file), bytes);
}

// A dirty hive whose transaction logs are FIFOs: loading reads no log and
// a backup copies none, and neither waits for a writer.
TEST(Open, LogsThatAreFifosAreLeftAloneWithoutBlocking) {
    ScratchDir dir;
    const std::string hive = dir.copy(sample("dirty/transactions_NTUSER.DAT"), "NTUSER.DAT");
    for (const char* log : {"NTUSER.DAT.LOG1", "NTUSER.DAT.LOG2"}) mkfifo(dir.file(log).c_str(), 0644);
    alarm(60);  // a regression blocks: end the test instead of waiting for ever
    HivePtr h(openHive(hive.c_str(), 0));
    EXPECT_TRUE(h) << "read as it is";
    EXPECT_TRUE(BackupHiveWithLogs(hive.c_str()));
    alarm(0);
    EXPECT_TRUE(fs::exists(hive + ".bhv"));
    EXPECT_FALSE(fs::exists(dir.file("NTUSER.DAT.LOG1.bhv")));
}

}  // namespace
