// What a hostile file name, key name or service answer turns into before it
// reaches a terminal or a log line.
#include <safetext/qsafetext.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* label;
    std::string in;
    std::string out;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.label;
}

class Escaped : public ::testing::TestWithParam<Case> {};

TEST_P(Escaped, TurnsSteeringCharactersIntoVisibleEscapes)
{
    const Case& c = GetParam();
    const std::string once = safetext::escaped(c.in);
    EXPECT_EQ(once, c.out);
    // Already safe text is left alone, so a line escaped at its source and
    // again where it is printed reads the same.
    EXPECT_EQ(safetext::escaped(once), once);
}

INSTANTIATE_TEST_SUITE_P(Cases, Escaped, ::testing::Values(
    Case{"plain text and paths", "C:\\Windows\\System32\\a b.exe", "C:\\Windows\\System32\\a b.exe"},
    Case{"UTF-8 names", "Übung_äöüß™ 日本 😀", "Übung_äöüß™ 日本 😀"},
    Case{"screen clear and title", "\x1b[2J\x1b]0;pwned\x07", "\\x1b[2J\\x1b]0;pwned\\x07"},
    Case{"forged line", "a.exe\r\nScanned 1 of 1 files, 0 threats found\n",
         "a.exe\\r\\nScanned 1 of 1 files, 0 threats found\\n"},
    Case{"tab, DEL, zero byte", std::string("a\tb\x7f" "c\0d", 7), "a\\tb\\x7fc\\x00d"},
    Case{"C1 control sequence introducer", "\xc2\x9b" "2J \xc2\x85", "\\u009b2J \\u0085"},
    Case{"bidirectional override", "exe.\xe2\x80\xaetxt", "exe.\\u202etxt"},
    Case{"line separator", "a\xe2\x80\xa8" "b", "a\\u2028b"},
    Case{"8-bit bytes that are not UTF-8", "caf\xe9 \x9b" "2J", "caf\\xe9 \\x9b2J"},
    Case{"cut, overlong and surrogate sequences", "\xe2\x82 \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80",
         "\\xe2\\x82 \\xc0\\xaf \\xed\\xa0\\x80 \\xf4\\x90\\x80\\x80"},
    Case{"empty", "", ""}));

TEST(EscapedQString, EscapesLikeTheBytes)
{
    EXPECT_EQ(safetext::escaped(QStringLiteral("Trojan\x1b[2J\u202e.exe\n")), QStringLiteral("Trojan\\x1b[2J\\u202e.exe\\n"));
    EXPECT_EQ(safetext::escaped(QStringLiteral("Übung")), QStringLiteral("Übung"));
}

} // namespace
