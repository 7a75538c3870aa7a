#pragma once

// What the loader checks in each field of a rule before it takes it: the
// fields have fixed sizes, and a rule that cannot be taken as written (cut,
// or with data it would store differently) is refused with a message, never
// shortened into a rule that acts on another key or writes other data.

#include <boost/property_tree/ptree.hpp>
#include <cstddef>
#include <string>

namespace hivemend {

// Where a rule is, for messages: `file`: section "name", rule N.
std::string RuleSite(const std::string& file, const std::string& section, int rule);
// `name` quoted for a message, cut when long.
std::string Quoted(const std::string& name);

// The child `name` of a rule or value; throws the property tree's bad-path
// error, naming `where`, when it is missing.
const boost::property_tree::ptree& RequiredChild(const boost::property_tree::ptree& node, const char* name,
                                                 const std::string& where);

// Copies `text` with its terminator into `dst` of `size` bytes. Throws
// std::length_error when it does not fit, std::invalid_argument when it
// holds a zero character; `what` names the field in the message.
void CopyField(char* dst, size_t size, const std::string& text, const char* what, const std::string& where);

// A rule that deletes or rebuilds its key must name a key below the root of
// a hive: "HKEY_LOCAL_MACHINE\SOFTWARE\" alone would stand for the root, and
// its Wow6432Node mirror for the whole 32-bit tree. Throws
// std::invalid_argument for such a rule; paths that are not routed are left
// to the scan, which logs them.
void CheckKeyBelowHiveRoot(const std::string& key, const std::string& where);

// Checks that the data text of a value can be stored exactly as written:
// the type is one of the four, a REG_DWORD is a whole decimal number that
// fits 32 bits, a hex byte list has tokens of at most two digits, a REG_SZ
// is UTF-8 text, and the data fits its 4096 bytes. Throws
// std::invalid_argument or std::length_error otherwise.
void CheckValueText(const std::string& type, const std::string& text, const std::string& where);

// The value's optional "absent" member: "allowed" (ABSENT_ALLOWED) or
// "required" (ABSENT_REQUIRED); ABSENT_PROBLEM without it. Throws
// std::invalid_argument for any other text, and for the default value "",
// which is never compared.
int AbsentMember(const boost::property_tree::ptree& value, const std::string& name, const std::string& where);

// The value's optional "ignore case" member, a boolean allowed for REG_SZ
// and REG_EXPAND_SZ data; false without it. Throws std::invalid_argument
// otherwise.
bool IgnoreCaseMember(const boost::property_tree::ptree& value, const std::string& type, const std::string& where);

}  // namespace hivemend
