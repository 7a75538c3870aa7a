// The hive objects' text helpers: UTF-8 <-> UTF-16LE (characters beyond the
// BMP included), bounded copies, type names and printable values.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hivemend/format.h"
#include "hivemend/regstring.h"
#include "hivemend/regvalue.h"
#include "hivemend/unicode.h"

namespace {

std::string to_utf8(const std::string& utf16) {
    std::string out(static_cast<size_t>(unc_to_utf8(utf16.data(), static_cast<int>(utf16.size()), nullptr, 0)), 'x');
    EXPECT_EQ(unc_to_utf8(utf16.data(), static_cast<int>(utf16.size()), out.data(), static_cast<int>(out.size())),
              static_cast<int>(out.size()));
    return out;
}

std::string to_utf16(const std::string& utf8, int size = 256) {
    std::string out(static_cast<size_t>(size), '\0');
    const int n = utf8_to_unicode(utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out.substr(0, static_cast<size_t>(n));
}

struct Text {
    const char* what;
    std::string utf8;
    std::string utf16;
};

class Conversions : public ::testing::TestWithParam<Text> {};

TEST_P(Conversions, RoundTrip) {
    EXPECT_EQ(to_utf8(GetParam().utf16), GetParam().utf8);
    EXPECT_EQ(to_utf16(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(Texts, Conversions,
                         ::testing::Values(Text{"ascii", "Run", std::string("R\0u\0n\0", 6)},
                                           Text{"cafe", "Caf\xC3\xA9", std::string("C\0a\0f\0\xE9\0", 8)},
                                           Text{"three_bytes", "\xE2\x84\xA2", std::string("\x22\x21", 2)},
                                           Text{"emoji", "\xF0\x9F\x98\x80", std::string("\x3D\xD8\x00\xDE", 4)},
                                           Text{"gothic_between", "a\xF0\x90\x8C\xB0z",
                                                std::string("a\0\x00\xD8\x30\xDFz\0", 8)},
                                           Text{"last_plane", "\xF4\x8F\xBF\xBF", std::string("\xFF\xDB\xFF\xDF", 4)}),
                         [](const auto& p) { return std::string(p.param.what); });

TEST(Conversions, UnpairedSurrogatesAndZeroUnitsKeepTheirBmpForms) {
    EXPECT_EQ(to_utf8(std::string("\x00\xD8", 2)), "\xED\xA0\x80");
    EXPECT_EQ(to_utf8(std::string("\x00\xDC\x00\xD8", 4)), "\xED\xB0\x80\xED\xA0\x80");
    EXPECT_EQ(to_utf8(std::string("a\0\0\0", 4)), std::string("a\0", 2));
}

TEST(Conversions, MalformedUtf8GivesZero) {
    for (const char* bad : {"\xC3", "a\xE2\x84", "\xE2\x41\x41", "\xF8\x88\x80\x80\x80", "\xF4\x90\x80\x80"})
        EXPECT_EQ(to_utf16(bad), "") << bad;
}

TEST(Conversions, OutputIsBoundedByWholeCharacters) {
    // utf8_to_unicode keeps room for a terminator: "Cafe" needs 8 bytes.
    EXPECT_EQ(to_utf16("Caf\xC3\xA9", 8), std::string("C\0a\0f\0", 6));
    EXPECT_EQ(to_utf16("Caf\xC3\xA9", 10).size(), 8u);
    // A surrogate pair is never cut in half.
    EXPECT_EQ(to_utf16("a\xF0\x9F\x98\x80", 6), std::string("a\0", 2));
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(unc_to_utf8("\x3D\xD8\x00\xDE", 4, out, 3), 0);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(unc_to_utf8("C\0\xE9\0", 4, out, 2), 1);
}

TEST(Conversions, SingleSequences) {
    unsigned long u = 0;
    EXPECT_EQ(unicode(reinterpret_cast<const unsigned char*>("A"), &u), 2);
    EXPECT_EQ(u, 0x41u);
    EXPECT_EQ(unicode(reinterpret_cast<const unsigned char*>("\xE2\x84\xA2"), &u), 2);
    EXPECT_EQ(u, 0x2122u);
    EXPECT_EQ(unicode(reinterpret_cast<const unsigned char*>("\xF0\x9F\x98\x80"), &u), 4);
    EXPECT_EQ(u, 0xDE00D83Dul);
    EXPECT_EQ(unicode(reinterpret_cast<const unsigned char*>("\xC3"), &u), 0);
    char seq[6];
    EXPECT_EQ(utf8(0x1F600, seq), 4);
    EXPECT_EQ(std::string(seq, 4), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8(0x7FFFFFFF, seq), 6);
    EXPECT_EQ(utf8(0x80000000UL, seq), 0);
    const std::pair<unsigned char, int> leads[] = {{'a', 1},  {0x80, 1}, {0xC3, 2}, {0xE2, 3},
                                                   {0xF0, 4}, {0xF8, 5}, {0xFC, 6}};
    for (const auto& [lead, n] : leads) EXPECT_EQ(get_utf8_size(lead), n) << int(lead);
}

TEST(BoundedCopies, RefuseWhatDoesNotFitAndLeaveTheDestination) {
    char buf[8];
    strcpy(buf, "keep");
    EXPECT_EQ(strcpy_s(buf, sizeof buf, "12345678"), -1);
    EXPECT_STREQ(buf, "keep");
    EXPECT_EQ(strcpy_s(buf, sizeof buf, "1234567"), 0);
    EXPECT_STREQ(buf, "1234567");

    strcpy(buf, "abc");
    EXPECT_EQ(strcat_s(buf, sizeof buf, "defgh"), -1);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(strcat_s(buf, sizeof buf, "defg"), 0);
    EXPECT_STREQ(buf, "abcdefg");
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(strcat_s(buf, sizeof buf, ""), -1) << "no terminator within the buffer";

    char pad[12];
    memset(pad, 'x', sizeof pad);
    EXPECT_EQ(strncpy_s(pad, 8, "ab", 100), 0) << "n larger than the buffer pads only the buffer";
    EXPECT_EQ(std::string(pad, 12), std::string("ab\0\0\0\0\0\0xxxx", 12));
    EXPECT_EQ(strncpy_s(pad, 8, "abcdef", 3), 0);
    EXPECT_EQ(std::string(pad, 3), "abc");
    EXPECT_EQ(strncpy_s(pad, 4, "abcdef", 3), -1);
}

TEST(TypeNames, NamesAndCodes) {
    char name[32];
    const std::pair<int, const char*> names[] = {{0, "REG_NONE"},   {1, "REG_SZ"},       {2, "REG_EXPAND_SZ"},
                                                 {3, "REG_BINARY"}, {4, "REG_DWORD"},    {5, "REG_UNKOWN"},
                                                 {6, "REG_LINK"},   {7, "REG_MULTI_SZ"}, {11, "REG_UNKOWN"}};
    for (const auto& [type, text] : names) {
        RegTypeDisplayName(type, name);
        EXPECT_STREQ(name, text);
    }
    EXPECT_EQ(GetRegTypeByName("REG_EXPAND_SZ"), 2);
    EXPECT_EQ(GetRegTypeByName("REG_BINARY"), 3);
    EXPECT_EQ(GetRegTypeByName("REG_DWORD"), 4);
    EXPECT_EQ(GetRegTypeByName("reg_sz"), 1);
    EXPECT_EQ(GetRegTypeByName("reg_dword"), 1) << "names are compared exactly";
}

TEST(DumpValue, PrintableFormsStayInTheBuffer) {
    char out[16];
    const int32_t minus = -5;
    DumpValue(out, sizeof out, REG_DWORD, 4, &minus);
    EXPECT_STREQ(out, "-5");
    DumpValue(out, sizeof out, REG_SZ, 8, "C\0a\0f\0\0\0");
    EXPECT_STREQ(out, "Caf");
    const std::string wide(40, 'w');
    DumpValue(out, sizeof out, REG_SZ, static_cast<int>(wide.size()), wide.data());
    EXPECT_EQ(strlen(out), sizeof out - 1);
    const unsigned char bytes[] = {0x01, 0xab, 0x02, 0x03, 0x04};
    DumpValue(out, sizeof out, REG_BINARY, sizeof bytes, bytes);
    EXPECT_STREQ(out, "0x 1 0xab 0x 2 ");
    const unsigned char one = 7;
    DumpValue(out, sizeof out, REG_DWORD, 1, &one);
    EXPECT_STREQ(out, "7");
}

}  // namespace
