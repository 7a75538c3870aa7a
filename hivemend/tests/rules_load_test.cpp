// The rule database loader, the value data conversions and the small text
// functions of the rule code: what a rule file turns into, and how every
// kind of bad file is refused with a message that says what and where.

#include <gtest/gtest.h>

#include <boost/property_tree/exceptions.hpp>
#include <boost/property_tree/json_parser/error.hpp>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "hivemend/CRegFix.h"
#include "hivemend/ruletext.h"
#include "support.h"

namespace {

using Bytes = std::vector<unsigned char>;
using hivetest::ScratchDir;

Bytes bytes(const void* p, int n) {
    const auto* b = static_cast<const unsigned char*>(p);
    return Bytes(b, b + (n > 0 ? n : 0));
}

// One rule as JSON text.
std::string rule(const std::string& key, const std::string& values = "{}") {
    return R"({"key": ")" + key + R"(", "value": )" + values + "}";
}

std::string sz_value(const std::string& name, const std::string& text) {
    return "{\"" + name + R"(": {"type": "REG_SZ", "value": ")" + text + "\"}}";
}

class RuleLoad : public ::testing::Test {
protected:
    // Writes `json` as the rule database and loads it into `fix`.
    void load(const std::string& json) {
        hivetest::write_file(file(), json);
        fix.LoadRuleDB(file().c_str());
    }
    std::string file() const { return dir.file("registry.json"); }
    // Every rule's key, in rule order, as SaveRuleDB writes them.
    std::string saved_keys() {
        const std::string out = dir.file("keys");
        EXPECT_EQ(fix.SaveRuleDB(out.c_str()), 0);
        return hivetest::read_file(out);
    }
    std::vector<std::string> section_names() {
        std::vector<std::string> names;
        for (unsigned i = 0; i < fix.getCount(); ++i) {
            char buf[128];
            EXPECT_EQ(fix.getItemInfo(i, buf, sizeof buf), 0);
            names.emplace_back(buf);
        }
        return names;
    }

    ScratchDir dir;
    CRegFix fix;
};

TEST_F(RuleLoad, SectionsAndRulesInFileOrderWithGlobalIndexes) {
    load(R"({
        "First": [)" +
         rule("HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\A") + "," + rule("-HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\B") + R"(],
        "Empty array": [],
        "Empty object": {},
        "Plain text": "not rules",
        "First": {"any name": )" +
         rule("HKEY_CURRENT_USER\\\\C") + R"(}
    })");
    EXPECT_EQ(section_names(),
              (std::vector<std::string>{"First", "Empty array", "Empty object", "Plain text", "First"}));
    // The delete-key rule's "-" is gone; the rule of the second "First"
    // section comes after those of the first.
    EXPECT_EQ(saved_keys(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\AHKEY_LOCAL_MACHINE\\SOFTWARE\\BHKEY_CURRENT_USER\\C");
    // Sections without rules: nothing to find, nothing to fail; no hive is needed.
    for (unsigned i = 1; i <= 3; ++i) {
        EXPECT_EQ(fix.getItemState(i), 0);
        EXPECT_EQ(fix.Repair(i), 1);
    }
}

TEST_F(RuleLoad, EmptyDatabaseAndSecondLoadAppends) {
    load("{}");
    EXPECT_EQ(fix.getCount(), 0u);
    EXPECT_EQ(saved_keys(), "");
    load(R"({"S": [)" + rule("HKEY_CURRENT_USER\\\\K") + "]}");
    load(R"({"S": [)" + rule("HKEY_CURRENT_USER\\\\K") + "]}");
    EXPECT_EQ(fix.getCount(), 2u);
    EXPECT_EQ(saved_keys(), "HKEY_CURRENT_USER\\KHKEY_CURRENT_USER\\K");
    fix.Close();
    EXPECT_EQ(saved_keys(), "");
    EXPECT_EQ(fix.getCount(), 2u);
}

TEST_F(RuleLoad, IndexesOutsideTheSectionsThrow) {
    load(R"({"Only": []})");
    char buf[8];
    EXPECT_THROW(fix.getItemInfo(1, buf, sizeof buf), std::out_of_range);
    EXPECT_THROW(fix.getItemState(1), std::out_of_range);
    EXPECT_THROW(fix.Repair(7), std::out_of_range);
    EXPECT_EQ(fix.Restore(7), 1);
    EXPECT_EQ(fix.ScanItem(0), 0);
    EXPECT_EQ(fix.Fixitem(0), 0);
    EXPECT_EQ(fix.ScanReg(), 0u);
}

TEST_F(RuleLoad, ItemTextIsCutToTheBuffer) {
    load(R"({"Alpha": []})");
    char buf[4] = {'x', 'x', 'x', 'x'};
    fix.getItemInfo(0, buf, 3);
    EXPECT_STREQ(buf, "Al");
    fix.getItemInfo(0, buf, 0);
    EXPECT_STREQ(buf, "Al");
}

TEST_F(RuleLoad, FieldsUpToTheirSizesLoad) {
    const std::string section(127, 's');
    const std::string key = "HKEY_CURRENT_USER\\\\" + std::string(323 - 18, 'k');
    const std::string name(259, 'n');
    const std::string text(2047, 't');  // 4094 bytes of UTF-16LE and the terminator
    std::string binary = "00";
    for (int i = 1; i < 4096; ++i) binary += ",00";
    load("{\"" + section + "\": [" + rule("-" + key) + "," + rule(key, sz_value(name, text)) + "," +
         rule(key, R"({"b": {"type": "REG_BINARY", "value": ")" + binary + "\"}}") + "]}");
    EXPECT_EQ(section_names(), std::vector<std::string>{section});
    const std::string plain = "HKEY_CURRENT_USER\\" + std::string(323 - 18, 'k');
    EXPECT_EQ(plain.size(), 323u);
    EXPECT_EQ(saved_keys(), plain + plain + plain);
}

// A bad database and what the failure must say.
struct BadFile {
    const char* what;
    std::string json;
    std::function<void(const std::exception&)> check;
    std::string message;  // part of what()
};

template <class E>
std::function<void(const std::exception&)> is() {
    return [](const std::exception& e) { EXPECT_NE(dynamic_cast<const E*>(&e), nullptr) << e.what(); };
}

std::vector<BadFile> bad_files() {
    using boost::property_tree::ptree_bad_path;
    using boost::property_tree::json_parser::json_parser_error;
    const std::string k = "HKEY_CURRENT_USER\\\\K";
    const auto one = [](const std::string& r) {
        return R"({"Sec": [{"key": "HKEY_CURRENT_USER\\K", "value": {}}, )" + r + "]}";
    };
    const auto typed = [&](const std::string& type, const std::string& text) {
        return one(rule(k, R"({"V": {"type": ")" + type + R"(", "value": ")" + text + "\"}}"));
    };
    std::string long_binary = "00";
    for (int i = 0; i < 4096; ++i) long_binary += ",00";
    std::string deep;
    for (int i = 0; i < 40; ++i) deep += "[";
    return {
        {"not JSON", "{\"Sec\": [\n{\"key\": }", is<json_parser_error>(), "registry.json(2): expected value"},
        {"no key", one(R"({"value": {}})"), is<ptree_bad_path>(), "section \"Sec\", rule 2: no such node (key)"},
        {"no value", one(R"({"key": "HKEY_CURRENT_USER\\X"})"), is<ptree_bad_path>(), "rule 2: no such node (value)"},
        {"a rule that is no object", one("42"), is<ptree_bad_path>(), "rule 2: no such node (key)"},
        {"no type", one(rule(k, R"({"V": {"value": "1"}})")), is<ptree_bad_path>(), "value \"V\": no such node (type)"},
        {"no data", one(rule(k, R"({"V": {"type": "REG_SZ"}})")), is<ptree_bad_path>(), "no such node (value)"},
        {"empty key", one(rule("")), is<std::out_of_range>(), "rule 2: \"key\" is empty"},
        {"a lone minus", one(rule("-")), is<std::out_of_range>(), "\"key\" is empty"},
        {"unknown type", typed("REG_MULTI_SZ", "a"), is<std::invalid_argument>(), "unknown type \"REG_MULTI_SZ\""},
        {"lower-case type", typed("reg_sz", "a"), is<std::invalid_argument>(), "unknown type \"reg_sz\""},
        {"dword text", typed("REG_DWORD", "abc"), is<std::invalid_argument>(), "REG_DWORD data \"abc\""},
        {"dword fraction", typed("REG_DWORD", "1.5"), is<std::invalid_argument>(), "REG_DWORD data \"1.5\""},
        {"dword beyond 32 bits", typed("REG_DWORD", "4294967296"), is<std::invalid_argument>(), "4294967296"},
        {"hex of three digits", typed("REG_BINARY", "01,123"), is<std::invalid_argument>(), "more than two hex digits"},
        {"no hex list", typed("REG_EXPAND_SZ", "%SystemRoot%"), is<std::invalid_argument>(), "no list of hex bytes"},
        {"section name too long", "{\"" + std::string(128, 's') + "\": []}", is<std::length_error>(),
         "section name \"ssss"},
        {"key too long", one(rule("-HKEY_CURRENT_USER\\\\" + std::string(324 - 18, 'k'))), is<std::length_error>(),
         "key \"HKEY_CURRENT_USER"},
        {"value name too long", one(rule(k, sz_value(std::string(260, 'n'), "x"))), is<std::length_error>(),
         "value name \"nnnn"},
        {"text too long", one(rule(k, sz_value("V", std::string(2048, 't')))), is<std::length_error>(),
         "data of 4098 bytes is longer than 4096 bytes"},
        {"binary too long", typed("REG_BINARY", long_binary), is<std::length_error>(), "data of 4097 bytes"},
        {"zero character in a key", one(rule("HKEY_CURRENT_USER\\\\A\\u0000B")), is<std::invalid_argument>(),
         "holds a zero character"},
        {"zero character in text", one(rule(k, sz_value("V", "a\\u0000b"))), is<std::invalid_argument>(),
         "data holds a zero character"},
        {"deleting a hive's root", one(rule("-HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\")), is<std::invalid_argument>(),
         "is the root of a hive"},
        {"rebuilding the classes", one(R"({"key": "HKEY_CLASSES_ROOT\\", "value": {}, "rebuild": true})"),
         is<std::invalid_argument>(), "is the root of a hive"},
        {"nested too deep", deep, is<json_parser_error>(), "nested more than 32 levels deep"},
        {"absent in other words", one(rule(k, R"({"V": {"type": "REG_SZ", "value": "", "absent": "yes"}})")),
         is<std::invalid_argument>(), "value \"V\": \"absent\" is \"yes\", not \"allowed\""},
        {"absent as an object", one(rule(k, R"({"V": {"type": "REG_SZ", "value": "", "absent": {}}})")),
         is<std::invalid_argument>(), "\"absent\" is \"\", not \"allowed\""},
        {"absent default value", one(rule(k, R"({"": {"type": "REG_SZ", "value": "", "absent": "allowed"}})")),
         is<std::invalid_argument>(), "the default value \"\" is never compared"},
        {"ignore case in other words", one(rule(k, R"({"V": {"type": "REG_SZ", "value": "", "ignore case": "yes"}})")),
         is<std::invalid_argument>(), "\"ignore case\" is \"yes\", not true or false"},
        {"ignore case of a number", one(rule(k, R"({"V": {"type": "REG_DWORD", "value": "1", "ignore case": true}})")),
         is<std::invalid_argument>(), "applies to REG_SZ and REG_EXPAND_SZ text, not REG_DWORD data"},
    };
}

class RuleLoadBad : public RuleLoad, public ::testing::WithParamInterface<BadFile> {};

TEST_P(RuleLoadBad, FailsTheLoadKeepingOnlyWhatCameBefore) {
    const BadFile& bad = GetParam();
    hivetest::write_file(file(), R"({"Good": [)" + rule("HKEY_CURRENT_USER\\\\G") + "]}");
    fix.LoadRuleDB(file().c_str());
    hivetest::write_file(file(), bad.json);
    try {
        fix.LoadRuleDB(file().c_str());
        ADD_FAILURE() << bad.what << ": loaded";
    } catch (const std::exception& e) {
        bad.check(e);
        EXPECT_NE(std::string(e.what()).find(bad.message), std::string::npos) << e.what();
    }
    // The section being read is not appended; rules read before the failure
    // may stay in the rule list, but no section names them.
    EXPECT_EQ(section_names(), std::vector<std::string>{"Good"});
    EXPECT_EQ(saved_keys().rfind("HKEY_CURRENT_USER\\G", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, RuleLoadBad, ::testing::ValuesIn(bad_files()),
                         [](const ::testing::TestParamInfo<BadFile>& p) {
                             std::string name;
                             for (const char* c = p.param.what; *c; ++c)
                                 name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

TEST_F(RuleLoad, MissingFileAndFolderFailWithTheirName) {
    for (const std::string& path : {dir.file("none.json"), dir.path()}) {
        try {
            fix.LoadRuleDB(path.c_str());
            ADD_FAILURE() << path << " loaded";
        } catch (const boost::property_tree::json_parser::json_parser_error& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

// ConvertData: type name, text, the bytes stored (none: 0 returned).
struct Conversion {
    const char* type;
    const char* text;
    Bytes stored;
};

class ConvertDataTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(ConvertDataTest, StoresTheRegistryBytes) {
    const Conversion& c = GetParam();
    char out[4096] = {};
    const int n = CRegFix::ConvertData(c.type, c.text, out, sizeof out);
    EXPECT_EQ(bytes(out, n), c.stored) << c.type << " " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Types, ConvertDataTest,
    ::testing::Values(
        Conversion{"REG_DWORD", "1", {1, 0, 0, 0}}, Conversion{"REG_DWORD", "-1", {0xFF, 0xFF, 0xFF, 0xFF}},
        Conversion{"REG_DWORD", "4294967295", {0xFF, 0xFF, 0xFF, 0xFF}}, Conversion{"REG_DWORD", "abc", {0, 0, 0, 0}},
        Conversion{"REG_SZ", "", {0, 0}}, Conversion{"REG_SZ", "a", {0x61, 0, 0, 0}},
        Conversion{"REG_SZ", "\xC3\xA9\xE2\x82\xAC", {0xE9, 0, 0xAC, 0x20, 0, 0}}, Conversion{"REG_BINARY", "", {0}},
        Conversion{"REG_BINARY", "01,02,", {1, 2, 0}}, Conversion{"REG_BINARY", "0a, ff", {0x0A, 0xFF}},
        Conversion{"REG_EXPAND_SZ", "25,00,41,00,25,00,00,00", {0x25, 0, 0x41, 0, 0x25, 0, 0, 0}},
        Conversion{"REG_MULTI_SZ", "a", {}}, Conversion{"reg_sz", "a", {}}));

TEST(ConvertDataBounds, TextAndListsStayInsideTheBuffer) {
    char out[8];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(CRegFix::ConvertData("REG_SZ", "abcdef", out, 6), 6);
    EXPECT_EQ(bytes(out, 8), (Bytes{'a', 0, 'b', 0, 0, 0, 'x', 'x'}));
    memset(out, 'x', sizeof out);
    // An odd size: the terminator still lands inside.
    EXPECT_EQ(CRegFix::ConvertData("REG_SZ", "abcdef", out, 5), 4);
    EXPECT_EQ(bytes(out, 8), (Bytes{'a', 0, 0, 0, 'x', 'x', 'x', 'x'}));
    memset(out, 'x', sizeof out);
    EXPECT_EQ(CRegFix::ConvertData("REG_BINARY", "01,02,03,04", out, 3), 3);
    EXPECT_EQ(out[3], 'x');
    EXPECT_EQ(CRegFix::ConvertData("REG_DWORD", "1", out, 3), 0);
}

TEST(RuleText, HexNumbersAndByteLists) {
    struct {
        const char* text;
        unsigned value;
    } numbers[] = {{"", 0}, {"ff", 255}, {"0x1F", 31}, {"0XfF", 255}, {"100000001", 1}, {"12zz", 0x12}};
    for (const auto& n : numbers) EXPECT_EQ(HexToDec(n.text), n.value) << n.text;

    char out[8] = {};
    EXPECT_EQ(Hex2ToByte("1,123,x7", out, sizeof out), 3);
    EXPECT_EQ(bytes(out, 3), (Bytes{0x01, 0x23, 0x07}));
    memset(out, 'x', sizeof out);
    EXPECT_EQ(Hex2ToByte("01,02,03", out, 2), 2);
    EXPECT_EQ(out[2], 'x');
}

TEST(RuleText, IgnChrCpyLeavesOutCharactersAndStopsAtMax) {
    char dst[16];
    EXPECT_EQ(IgnChrCpy("\"ab\"c", dst, "\"", 10), 3u);
    EXPECT_STREQ(dst, "abc");
    EXPECT_EQ(IgnChrCpy("\"abc", dst, "\"", 2), 1u);
    EXPECT_STREQ(dst, "a");
    EXPECT_EQ(IgnChrCpy("", dst, "\"", 10), 0u);
    EXPECT_STREQ(dst, "");
    EXPECT_EQ(IgnChrCpy("abc", dst, "\"", 0), 0u);
    EXPECT_STREQ(dst, "");
}

TEST(ParseLine, RegistryTextLines) {
    constexpr unsigned kSize = 64;
    VNameDataPtr v = NewVNameData(kSize);
    unsigned needed = 0;

    char dword[] = "\"Count\"=dword:0000001f";
    EXPECT_EQ(CRegFix::ParseLine(dword, v.get(), kSize, &needed), 1u);
    EXPECT_STREQ(v->name, "Count");
    EXPECT_EQ(v->type, 4);
    EXPECT_EQ(bytes(v->data(), v->length), (Bytes{0x1F, 0, 0, 0}));

    char hex[] = "\"Bin\"=hex:01,ff";
    EXPECT_EQ(CRegFix::ParseLine(hex, v.get(), kSize, &needed), 1u);
    EXPECT_EQ(v->type, 3);
    EXPECT_EQ(bytes(v->data(), v->length), (Bytes{0x01, 0xFF}));

    char text[] = "@=\"h\xC3\xA9\"";
    EXPECT_EQ(CRegFix::ParseLine(text, v.get(), kSize, &needed), 1u);
    EXPECT_STREQ(v->name, "@");
    EXPECT_EQ(v->type, 1);
    EXPECT_EQ(bytes(v->data(), v->length), (Bytes{'h', 0, 0xE9, 0}));

    char bare[] = "\"[Key]\"";
    EXPECT_EQ(CRegFix::ParseLine(bare, v.get(), kSize, &needed), 1u);
    EXPECT_STREQ(v->name, "[Key]");
    EXPECT_EQ(v->type, 1);

    char too_long[] = "\"a\"=hex:01,02,03";
    EXPECT_EQ(CRegFix::ParseLine(too_long, v.get(), 4, &needed), 0u);
    EXPECT_EQ(needed, strlen("=hex:01,02,03"));

    // The name field holds 259 characters; longer names are cut, not spilled.
    std::string long_name = std::string(400, 'n') + "=dword:1";
    EXPECT_EQ(CRegFix::ParseLine(long_name.data(), v.get(), kSize, &needed), 1u);
    EXPECT_EQ(strlen(v->name), 259u);

    // Quoted text never fills more than the data room.
    char wide[] = "\"W\"=\"abcdefgh\"";
    VNameDataPtr small = NewVNameData(12);
    EXPECT_EQ(CRegFix::ParseLine(wide, small.get(), 12, &needed), 1u);
    EXPECT_EQ(small->length, 12);
}

}  // namespace
