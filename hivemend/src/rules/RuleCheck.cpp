#include "RuleCheck.h"

#include <boost/property_tree/exceptions.hpp>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "hivemend/CAppRegstry.h"
#include "hivemend/RuleModel.h"
#include "hivemend/text.h"
#include "hivemend/unicode.h"
#include "regtext/valuetext.h"

namespace hivemend {

namespace {

constexpr size_t kShownName = 64;

void check_dword(const std::string& text, const std::string& where) {
    size_t i = text[0] == '-' ? 1 : 0;
    const bool digits =
        i < text.size() && text.size() - i <= 10 && text.find_first_not_of("0123456789", i) == std::string::npos;
    const long long v = digits ? std::stoll(text) : 0;
    if (!digits || v < -2147483648LL || v > 4294967295LL)
        throw std::invalid_argument(where + ": REG_DWORD data " + Quoted(text) +
                                    " is no whole decimal number from -2147483648 to 4294967295");
}

// Bytes of a hex byte list; throws for characters other than hex digits,
// commas and blanks, and for tokens of more than two digits.
size_t check_hex_list(const std::string& type, const std::string& text, const std::string& where) {
    const std::vector<std::string_view> tokens = regtext::byte_tokens(text);
    for (const std::string_view token : tokens) {
        int digits = 0;
        for (const char c : token) {
            if (regtext::hex_digit(c) >= 0) {
                if (++digits > 2)
                    throw std::invalid_argument(where + ": " + type + " data " + Quoted(text) +
                                                " has a byte of more than two hex digits");
            } else if (c != ' ' && c != '\t') {
                throw std::invalid_argument(where + ": " + type + " data " + Quoted(text) +
                                            " is no list of hex bytes such as 0a,ff,00");
            }
        }
    }
    return tokens.size();
}

// UTF-16LE bytes of the UTF-8 `text`, its terminator included.
size_t check_text(const std::string& text, const std::string& where) {
    std::vector<char> utf16(2 * text.size() + 4);
    const int n =
        utf8_to_unicode(text.c_str(), static_cast<int>(text.size()), utf16.data(), static_cast<int>(utf16.size()));
    if (n == 0 && !text.empty()) throw std::invalid_argument(where + ": REG_SZ data is no valid UTF-8 text");
    return static_cast<size_t>(n) + 2;
}

}  // namespace

std::string Quoted(const std::string& name) {
    std::string shown = "\"";
    for (size_t i = 0; i < name.size() && i < kShownName; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (name.size() <= kShownName) return shown + "\"";
    return shown + "...\" (" + std::to_string(name.size()) + " bytes)";
}

std::string RuleSite(const std::string& file, const std::string& section, int rule) {
    return file + ": section " + Quoted(section) + ", rule " + std::to_string(rule);
}

const boost::property_tree::ptree& RequiredChild(const boost::property_tree::ptree& node, const char* name,
                                                 const std::string& where) {
    const auto child = node.get_child_optional(boost::property_tree::ptree::path_type(name, '\0'));
    if (!child)
        throw boost::property_tree::ptree_bad_path(where + ": no such node",
                                                   boost::property_tree::ptree::path_type(name, '\0'));
    return *child;
}

void CopyField(char* dst, size_t size, const std::string& text, const char* what, const std::string& where) {
    if (text.find('\0') != std::string::npos)
        throw std::invalid_argument(where + ": " + what + " " + Quoted(text) + " holds a zero character");
    if (text.size() >= size)
        throw std::length_error(where + ": " + what + " " + Quoted(text) + " is longer than " +
                                std::to_string(size - 1) + " bytes");
    memcpy(dst, text.c_str(), text.size() + 1);
}

void CheckKeyBelowHiveRoot(const std::string& key, const std::string& where) {
    static constexpr char kClassesRoot[] = "HKEY_CLASSES_ROOT\\";
    static constexpr size_t kClassesInHive = 8;  // "Classes\", put in front of the rest
    CAppRegstry routing;
    char inner[kRuleKeySize] = "";
    int index = 0;
    // A path that is not routed comes back whole.
    if (routing.ParseKeyPath(key.c_str(), inner, &index) != 0 || key == inner) return;
    std::string path = inner;
    if (strn_casecmp(key.c_str(), kClassesRoot, static_cast<int>(sizeof kClassesRoot - 1)) == 0)
        path.erase(0, kClassesInHive);
    if (path.find_first_not_of('\\') == std::string::npos)
        throw std::invalid_argument(where + ": key " + Quoted(key) +
                                    " is the root of a hive, which is never deleted or rebuilt");
}

void CheckValueText(const std::string& type, const std::string& text, const std::string& where) {
    if (text.find('\0') != std::string::npos) throw std::invalid_argument(where + ": data holds a zero character");
    size_t bytes = 0;
    if (type == "REG_SZ") {
        bytes = check_text(text, where);
    } else if (type == "REG_EXPAND_SZ" || type == "REG_BINARY") {
        bytes = check_hex_list(type, text, where);
    } else if (type == "REG_DWORD") {
        check_dword(text, where);
        bytes = 4;
    } else {
        throw std::invalid_argument(where + ": unknown type " + Quoted(type) +
                                    " (REG_SZ, REG_EXPAND_SZ, REG_BINARY or REG_DWORD)");
    }
    if (bytes > static_cast<size_t>(kValueDataSize))
        throw std::length_error(where + ": data of " + std::to_string(bytes) + " bytes is longer than " +
                                std::to_string(kValueDataSize) + " bytes");
}

int AbsentMember(const boost::property_tree::ptree& value, const std::string& name, const std::string& where) {
    const auto member = value.get_child_optional(boost::property_tree::ptree::path_type("absent", '\0'));
    if (!member) return ABSENT_PROBLEM;
    const std::string text = member->data();
    if (!member->empty() || (text != "allowed" && text != "required"))
        throw std::invalid_argument(where + ": \"absent\" is " + Quoted(text) +
                                    ", not \"allowed\" (the value may be absent; only other data is a problem) or "
                                    "\"required\" (the value must not exist; repair deletes it)");
    if (name.empty())
        throw std::invalid_argument(where +
                                    ": the default value \"\" is never compared, so \"absent\" cannot "
                                    "apply to it; name it \"(default)\"");
    return text == "allowed" ? ABSENT_ALLOWED : ABSENT_REQUIRED;
}

bool IgnoreCaseMember(const boost::property_tree::ptree& value, const std::string& type, const std::string& where) {
    const auto member = value.get_child_optional(boost::property_tree::ptree::path_type("ignore case", '\0'));
    if (!member) return false;
    const auto flag = member->empty() ? member->get_value_optional<bool>() : boost::none;
    if (!flag)
        throw std::invalid_argument(where + ": \"ignore case\" is " + Quoted(member->data()) + ", not true or false");
    if (*flag && type != "REG_SZ" && type != "REG_EXPAND_SZ")
        throw std::invalid_argument(where + ": \"ignore case\" applies to REG_SZ and REG_EXPAND_SZ text, not " + type +
                                    " data");
    return *flag;
}

}  // namespace hivemend
