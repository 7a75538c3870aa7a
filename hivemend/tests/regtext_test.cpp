// Registry text files: our export agrees with hivexregedit's, imports give
// back the same hives, and files of other writers (hivexregedit, UTF-16LE
// files as Windows' registry editor writes them) import correctly.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "hivemend/CKRegstry.h"
#include "hivemend/regtext.h"
#include "regtext_support.h"

using namespace hivetest;

namespace {

std::string exported(Hive* h, const std::string& key, const std::string& prefix) {
    ScratchDir dir;
    EXPECT_GE(export_key(h, 0, key.c_str(), dir.file("out.reg").c_str(), prefix.c_str()), 1);
    return read_file(dir.file("out.reg"));
}

HivePtr open_copy(const ScratchDir& dir, const std::string& from, const std::string& name) {
    return HivePtr(openHive(dir.copy(from, name).c_str(), 0));
}

// Imports `text` into a fresh empty hive; the import's result.
int import_text(const ScratchDir& dir, HivePtr* h, const std::string& text, const std::string& prefix = "",
                std::string* error = nullptr) {
    *h = open_copy(dir, sample("minimal"), "target");
    write_file(dir.file("in.reg"), text);
    return import_reg(h->get(), dir.file("in.reg").c_str(), prefix.c_str(), error);
}

// A text file as Windows' registry editor writes it: UTF-16LE after a byte order mark.
std::string utf16_file(const std::string& utf8) { return "\xFF\xFE" + utf8_to_utf16(utf8); }

const char* const kSamples[] = {"minimal", "special", "rlenvalue_test_hive", "SAM", "SECURITY", "NTUSER.DAT", "SYSTEM"};

class Samples : public ::testing::TestWithParam<const char*> {};

TEST_P(Samples, ExportDescribesWhatHivexregeditDescribes) {
    const std::string file = sample(GetParam());
    HivePtr h(openHive(file.c_str(), HIVE_READONLY));
    ASSERT_TRUE(h);
    const Tree ours = parse_reg(exported(h.get(), "\\", ""), "");
    const Tree theirs = parse_reg(hivex_export(file, "\\"), "");
    ASSERT_FALSE(theirs.empty());
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(ours, utf8_tree(h.get()));
}

TEST_P(Samples, ImportOfTheExportReproducesTheHive) {
    if (std::string(GetParam()) == "special") GTEST_SKIP() << "names holding a zero character: see ZeroInNames";
    ScratchDir dir;
    HivePtr original(openHive(sample(GetParam()).c_str(), HIVE_READONLY));
    HivePtr copy;
    std::string error;
    ASSERT_EQ(import_text(dir, &copy, exported(original.get(), "\\", "HKEY_LOCAL_MACHINE\\X"), "HKEY_LOCAL_MACHINE\\X",
                          &error),
              0)
        << error;
    ASSERT_EQ(writeHive(copy.get()), 0);
    HivePtr saved(openHive(dir.file("target").c_str(), HIVE_READONLY));
    int damages = -1;
    engine_tree(saved.get(), &damages);
    EXPECT_EQ(damages, 0);
    EXPECT_EQ(utf8_tree(saved.get()), utf8_tree(original.get()));
}

INSTANTIATE_TEST_SUITE_P(All, Samples, ::testing::ValuesIn(kSamples), [](const auto& p) {
    std::string n = p.param;
    for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
});

TEST(Export, SubkeysWithAPrefixMatchHivexregedit) {
    const std::string file = sample("SYSTEM");
    HivePtr h(openHive(file.c_str(), HIVE_READONLY));
    const std::string prefix = "HKEY_LOCAL_MACHINE\\SYSTEM";
    for (const char* key : {"\\ControlSet001\\Control\\Session Manager", "\\Select"}) {
        const std::string ours = exported(h.get(), key, prefix);
        EXPECT_EQ(ours.rfind("Windows Registry Editor Version 5.00\r\n\r\n[" + prefix + key + "]\r\n", 0), 0u);
        EXPECT_EQ(parse_reg(ours, prefix), parse_reg(hivex_export(file, key, prefix), prefix)) << key;
    }
}

TEST(Export, MissingKeysAndUnwritableFilesMakeNoFile) {
    ScratchDir dir;
    HivePtr h(openHive(sample("minimal").c_str(), HIVE_READONLY));
    std::string error;
    EXPECT_EQ(export_key(h.get(), 0, "NoSuchKey", dir.file("a.reg").c_str(), "", &error), -1);
    EXPECT_EQ(error, "key 'NoSuchKey' not found");
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.reg")));
    EXPECT_EQ(export_key(h.get(), 0, "\\", dir.file("no/such/dir/a.reg").c_str(), "", &error), -1);
    EXPECT_NE(error.find("No such file or directory"), std::string::npos);
}

// Values of every shape in one key, written by the engine.
class Shapes : public ::testing::Test {
protected:
    void SetUp() override {
        h_ = open_copy(dir_, sample("minimal"), "shapes");
        ASSERT_TRUE(add_subkey(h_.get(), h_->rootofs + 4, "K", &err_));
        set("a", REG_BINARY, std::string(30, '\x11'));
        set("line break", REG_SZ, std::string("a\0\r\0\n\0b\0\0\0", 10));
        set("quote\"and\\", REG_SZ, std::string("\"\0\\\0\0\0", 6));
        set("no terminator", REG_SZ, std::string("a\0b\0", 4));
        set("inner zero", REG_SZ, std::string("a\0\0\0b\0\0\0", 8));
        set("odd", REG_SZ, std::string("a\0b", 3));
        set("lone surrogate", REG_SZ, std::string("\x00\xD8\0\0", 4));
        set("emoji \xF0\x9F\x98\x80", REG_SZ, std::string("\x3D\xD8\x00\xDE\0\0", 6));
        set("short dword", REG_DWORD, "\x01\x02\x03");
        set("empty", REG_BINARY, "");
        set("@", REG_EXPAND_SZ, std::string("%\0x\0%\0\0\0", 8));
        set("multi", REG_MULTI_SZ, std::string("a\0\0\0b\0\0\0\0\0", 10));
        set("qword", REG_QWORD, std::string("\x01\0\0\0\0\0\0\x80", 8));
        set("big", REG_BINARY, std::string(20000, '\x5a'));
    }
    void set(const std::string& name, int type, const std::string& data) {
        const int k = trav_path(h_.get(), 0, "K", LOOKUP_EXACT) + 4;
        ASSERT_TRUE(add_value(h_.get(), k, name.c_str(), type)) << name;
        ValueBuffer* b = new_valuebuffer(static_cast<int>(data.size()));
        memcpy(vb_data(b), data.data(), data.size());
        std::string literal;
        for (const char c : name) literal += c == '\\' ? std::string("\\\\") : std::string(1, c);
        EXPECT_EQ(put_buf2val(h_.get(), b, k, name == "@" ? "" : literal.c_str(), type,
                              LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT),
                  static_cast<int>(data.size()))
            << name;
        free(b);
    }
    ScratchDir dir_;
    HivePtr h_;
    int err_ = 0;
};

TEST_F(Shapes, WrittenAsTheFormatSaysAndReadBackExactly) {
    const std::string text = exported(h_.get(), "K", "");
    EXPECT_NE(text.find("\r\n[\\K]\r\n"), std::string::npos);
    const std::string first = std::string("\"a\"=hex:") + [] {
        std::string s;
        for (int i = 0; i < 23; ++i) s += "11,";
        return s;
    }() + "\\\r\n  11,11,11,11,11,11,11\r\n";
    EXPECT_NE(text.find(first), std::string::npos) << "23 bytes on the first line, 7 on the second";
    EXPECT_NE(text.find("\"line break\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"quote\\\"and\\\\\"=\"\\\"\\\\\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"no terminator\"=hex(1):61,00,62,00\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"lone surrogate\"=hex(1):00,d8,00,00\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"emoji \xF0\x9F\x98\x80\"=\"\xF0\x9F\x98\x80\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"short dword\"=hex(4):01,02,03\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"empty\"=hex:\r\n"), std::string::npos);
    EXPECT_NE(text.find("@=hex(2):25,00,78,00,25,00,00,00\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"qword\"=hex(b):01,00,00,00,00,00,00,80\r\n"), std::string::npos);

    HivePtr copy;
    std::string error;
    ASSERT_EQ(import_text(dir_, &copy, text, "", &error), 0) << error;
    Tree want = utf8_tree(h_.get());
    Tree got = utf8_tree(copy.get());
    EXPECT_EQ(got["\\K"], want["\\K"]);
    ASSERT_EQ(writeHive(copy.get()), 0);
    EXPECT_EQ(parse_reg(hivex_export(dir_.file("target"), "\\K"), "")["\\K"], want["\\K"]);
}

TEST_F(Shapes, UnicodeFilesImportWithEveryCharacter) {
    const std::string text = exported(h_.get(), "K", "HKEY_CURRENT_USER");
    HivePtr copy;
    std::string error;
    ASSERT_EQ(import_text(dir_, &copy, utf16_file(text), "HKEY_CURRENT_USER", &error), 0) << error;
    EXPECT_EQ(utf8_tree(copy.get())["\\K"], utf8_tree(h_.get())["\\K"]);

    const std::string regedit =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82]\r\n"
        "\"\xE5\x90\x8D\xE5\x89\x8D\"=\"\xE5\x80\xA4 \xF0\x9F\x98\x80\"\r\n"
        "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\\\r\n"
        "  25,00,00,00\r\n"
        "\"Count\"=dword:0000002a\r\n";
    ASSERT_EQ(import_text(dir_, &copy, utf16_file(regedit), "HKEY_CURRENT_USER", &error), 0) << error;
    Tree t = utf8_tree(copy.get());
    const auto& v = t["\\Software\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"];
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v.at("\xE5\x90\x8D\xE5\x89\x8D"), (Value{REG_SZ, std::string("\x24\x50 \0\x3D\xD8\x00\xDE\0\0", 10)}));
    EXPECT_EQ(v.at("Path"), (Value{REG_EXPAND_SZ, std::string("%\0S\0y\0s\0t\0e\0m\0R\0o\0o\0t\0%\0\0\0", 26)}));
    EXPECT_EQ(v.at("Count"), (Value{REG_DWORD, std::string("\x2a\0\0\0", 4)}));
}

TEST(Import, FilesWrittenByHivexregedit) {
    for (const char* name : {"NTUSER.DAT", "SAM"}) {
        ScratchDir dir;
        const std::string file = sample(name);
        HivePtr copy;
        std::string error;
        ASSERT_EQ(import_text(dir, &copy, hivex_export(file, "\\", "HKEY_USERS\\S"), "HKEY_USERS\\S", &error), 0)
            << name << ": " << error;
        HivePtr original(openHive(file.c_str(), HIVE_READONLY));
        EXPECT_EQ(utf8_tree(copy.get()), utf8_tree(original.get())) << name;
    }
}

TEST(Import, ZeroInNamesFailsCleanlyAtItsLine) {
    ScratchDir dir;
    HivePtr h(openHive(sample("special").c_str(), HIVE_READONLY));
    HivePtr copy;
    std::string error;
    EXPECT_EQ(import_text(dir, &copy, exported(h.get(), "\\", ""), "", &error), -1);
    EXPECT_NE(error.find("in.reg:"), std::string::npos);
    EXPECT_NE(error.find("zero\\0"), std::string::npos) << error;
    EXPECT_FALSE(copy->state & HIVE_DIRTY) << "a failed import is not saved";
    for (const char* key : {"\\abcd_\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F", "\\weird\xE2\x84\xA2"}) {
        ASSERT_EQ(import_text(dir, &copy, exported(h.get(), key, ""), "", &error), 0) << error;
        EXPECT_EQ(utf8_tree(copy.get())[key], utf8_tree(h.get())[key]) << key;
    }
}

TEST(Import, KeysValuesDeletionsAndComments) {
    ScratchDir dir;
    HivePtr h;
    std::string error;
    const std::string text =
        "Windows Registry Editor Version 5.00\n\n"
        "; set up\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B\\C]\n"
        "\"keep\"=\"yes\"\n"
        "\"drop\"=dword:00000001\n"
        "  @ = \"default\"  \n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Gone\\Deep]\n"
        "\"x\"=hex:01\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Elsewhere]\n"
        "\"ignored\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWAREX\\Near]\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Gone]\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Never\\There]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B\\C]\n"
        "\"drop\"=-\n";
    ASSERT_EQ(import_text(dir, &h, text, "HKEY_LOCAL_MACHINE\\SOFTWARE", &error), 0) << error;
    Tree expected;
    expected["\\"];
    expected["\\A"];
    expected["\\A\\B"];
    expected["\\A\\B\\C"] = {{"keep", {REG_SZ, std::string("y\0e\0s\0\0\0", 8)}},
                             {"", {REG_SZ, std::string("d\0e\0f\0a\0u\0l\0t\0\0\0", 16)}}};
    EXPECT_EQ(utf8_tree(h.get()), expected);
    EXPECT_TRUE(h->state & HIVE_DIRTY);
}

struct Bad {
    const char* what;
    std::string text;
    const char* error;
};

class BadFiles : public ::testing::TestWithParam<Bad> {};

TEST_P(BadFiles, FailWithFileLineAndReasonAndAreNotSaved) {
    ScratchDir dir;
    HivePtr h;
    std::string error;
    EXPECT_EQ(import_text(dir, &h, GetParam().text, "HKEY_CURRENT_USER", &error), -1);
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
    EXPECT_FALSE(h->state & HIVE_DIRTY);
}

const std::string kHead = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFiles,
    ::testing::Values(
        Bad{"no_signature", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n", "in.reg:1: \"Windows Registry"},
        Bad{"bad_hex", kHead + "\"v\"=hex:01,0g\r\n", "in.reg:4: hex string parse error"},
        Bad{"bad_type", kHead + "\"v\"=hex(zz):01\r\n", "in.reg:4: value type"},
        Bad{"bad_dword", kHead + "\"v\"=dword:123456789\r\n", "in.reg:4: dword value"},
        Bad{"open_quote", kHead + "\"v\"=\"abc\r\n", "in.reg:4: text \"abc lacks its closing"},
        Bad{"lost_continuation", kHead + "\"v\"=hex:01,\\\r\n\r\n\"w\"=dword:1\r\n", "in.reg:4: the data"},
        Bad{"value_first", "Windows Registry Editor Version 5.00\r\n\"v\"=dword:1\r\n", "in.reg:2: value"},
        Bad{"type_change", kHead + "\"v\"=dword:1\r\n\"v\"=hex:01\r\n", "in.reg:5: value <v> has type 4"},
        Bad{"long_name", kHead + "[HKEY_CURRENT_USER\\" + std::string(256, 'n') + "]\r\n", "in.reg:4: <nnn"},
        Bad{"no_prefix", "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\X]\r\n",
            "no key of the file begins with the prefix"}),
    [](const auto& p) { return std::string(p.param.what); });

TEST(Import, AnEmptyPrefixRefusesRootNames) {
    ScratchDir dir;
    HivePtr h;
    std::string error;
    EXPECT_EQ(
        import_text(dir, &h, "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software]\r\n", "", &error),
        -1);
    EXPECT_EQ(trav_path(h.get(), 0, "HKEY_CURRENT_USER", LOOKUP_EXACT), 0);
    EXPECT_EQ(import_reg(h.get(), dir.file("missing.reg").c_str(), "", &error), -1);
    EXPECT_NE(error.find("No such file"), std::string::npos);
}

TEST(Reader, LinesAndValueTexts) {
    ScratchDir dir;
    write_file(dir.file("t.reg"), "  [A\\B]  \r\n\r\n\"n=1\" = \"x=y\"\r\n  00,01\r\n");
    FILE* f = fopen(dir.file("t.reg").c_str(), "rb");
    char line[64];
    char* name = nullptr;
    char* value = nullptr;
    EXPECT_GT(get_line(line, sizeof line, f, &name, &value, 0), 0);
    EXPECT_STREQ(name, "A\\B");
    EXPECT_EQ(value, nullptr);
    EXPECT_GT(get_line(line, sizeof line, f, &name, &value, 0), 0);
    EXPECT_STREQ(name, "\"n=1\"");
    EXPECT_STREQ(value, "\"x=y\"");
    EXPECT_STREQ(dequote(name), "n=1");
    EXPECT_EQ(get_line(line, 4, f, &name, &value, 0), -1) << "a line that does not fit";
    EXPECT_EQ(get_line(line, sizeof line, f, &name, &value, 0), 0);
    rewind(f);
    EXPECT_EQ(my_fgets(line, sizeof line, f, 0), 10);
    EXPECT_STREQ(line, "  [A\\B]  \n");
    EXPECT_EQ(my_fgets(line, 4, f, 0), 1);
    EXPECT_EQ(my_fgets(line, 4, f, 0), -1) << "a line that does not fit";
    fclose(f);

    ValueBuffer* v = nullptr;
    EXPECT_EQ(parse_valuestring("dword:0000002A", &v), REG_DWORD);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(vb_data(v)), 4), std::string("\x2a\0\0\0", 4));
    free(v);
    EXPECT_EQ(parse_valuestring("hex(7):61,00,00,00,00,00", &v), REG_MULTI_SZ);
    EXPECT_EQ(v->len, 6);
    free(v);
    EXPECT_EQ(parse_valuestring("\"a\\\\b\"", &v), REG_SZ);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(vb_data(v)), static_cast<size_t>(v->len)),
              std::string("a\0\\\0b\0\0\0", 8));
    free(v);
    EXPECT_EQ(parse_valuestring("hex:0,1,", &v), REG_BINARY);
    EXPECT_EQ(v->len, 2);
    free(v);
    v = nullptr;
    EXPECT_EQ(parse_valuestring("hex:100", &v), -1);
    EXPECT_EQ(v, nullptr);
}

}  // namespace
