// Where the library's diagnostic lines go: standard output and standard
// error by default, every line whole to a sink once one is set, also when
// several threads write at once.

#include <gtest/gtest.h>

#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hivemend/diagnostics.h"
#include "support.h"

using namespace hivetest;

namespace {

class Lines {
public:
    static void take(int stream, const char* line, void* self) {
        auto* lines = static_cast<Lines*>(self);
        const std::lock_guard<std::mutex> lock(lines->mutex_);
        lines->got_.emplace_back(stream, line);
    }
    std::vector<std::pair<int, std::string>> got() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return got_;
    }
    bool has(int stream, const std::string& start) {
        for (const auto& [s, line] : got())
            if (s == stream && line.rfind(start, 0) == 0) return true;
        return false;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<int, std::string>> got_;
};

// Sets a sink for one scope.
class Sink {
public:
    explicit Sink(Lines& lines) { hive_diagnostics(Lines::take, &lines); }
    ~Sink() { hive_diagnostics(nullptr, nullptr); }
};

TEST(Diagnostics, ASinkGetsWholeLinesOfBothKindsAndNothingReachesTheConsole) {
    Lines lines;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    {
        Sink sink(lines);
        // Loading writes its first line in pieces, a character at a time.
        HivePtr h(openHive(sample("minimal").c_str(), HIVE_READONLY));
        ASSERT_TRUE(h);
        EXPECT_EQ(openHive("/nonexistent/hive", 0), nullptr);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(lines.has(HIVE_DIAG_OUT, "Hive <" + sample("minimal") + "> name (from header): <"));
    EXPECT_TRUE(lines.has(HIVE_DIAG_OUT, "ROOT KEY at offset: 0x"));
    EXPECT_TRUE(lines.has(HIVE_DIAG_ERR, "openHive(/nonexistent/hive): No such file or directory"));
    for (const auto& [stream, line] : lines.got()) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
}

TEST(Diagnostics, WithoutASinkTheLinesGoToStandardOutputAndStandardErrorAgain) {
    Lines lines;
    { Sink sink(lines); }
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    HivePtr h(openHive(sample("minimal").c_str(), HIVE_READONLY));
    EXPECT_EQ(openHive("/nonexistent/hive", 0), nullptr);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("Hive <" + sample("minimal") + "> name (from header): <"), std::string::npos) << out;
    EXPECT_EQ(err, "openHive(/nonexistent/hive): No such file or directory\n");
    EXPECT_TRUE(lines.got().empty());
}

// The value lines of a listing, each written in three pieces.
int value_lines(Lines& lines) {
    static const std::regex value(R"( +[0-9]+  REG_DWORD +<[A-Za-z]+> +-?[0-9]+ \[0x[0-9a-f]+\])");
    int n = 0;
    for (const auto& [stream, line] : lines.got()) {
        EXPECT_EQ(stream, HIVE_DIAG_OUT);
        if (line.find("REG_DWORD") == std::string::npos) continue;
        EXPECT_TRUE(std::regex_match(line, value)) << line;
        ++n;
    }
    return n;
}

TEST(Diagnostics, LinesOfThreadsWritingAtOnceAreNeverMixed) {
    HivePtr h(openHive(sample("SYSTEM").c_str(), HIVE_READONLY));
    ASSERT_TRUE(h);
    Lines one;
    {
        Sink sink(one);
        nk_ls(h.get(), "\\Select", 0);
    }
    Lines many;
    {
        Sink sink(many);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 1000; ++i) nk_ls(h.get(), "\\Select", 0);
            });
        for (std::thread& t : threads) t.join();
    }
    ASSERT_GT(value_lines(one), 0);
    EXPECT_EQ(value_lines(many), 4000 * value_lines(one));
}

}  // namespace
