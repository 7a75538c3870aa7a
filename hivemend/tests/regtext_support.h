#pragma once

// Registry text read back independently of the library's reader, and whole
// hives as trees with every name in UTF-8, for comparing our files with the
// hivex tools' and hives with each other.

#include <string>

#include "support.h"

namespace hivetest {

// The keys and values a registry text file describes: key paths without
// `prefix` ("\" for the hive's root), quoted text as the UTF-16LE bytes it
// stands for. 8-bit names that are not UTF-8 (hivexregedit writes Latin-1
// names so) are taken as Latin-1. UTF-16LE files (FF FE) are read too.
Tree parse_reg(const std::string& bytes, const std::string& prefix);

// The UTF-16LE bytes of UTF-8 text, without a terminator.
std::string utf8_to_utf16(const std::string& utf8);

// The whole hive with key and value names in UTF-8 whatever their stored form.
Tree utf8_tree(Hive* h);

// `hivexregedit --export [--prefix PREFIX] FILE KEY` as text.
std::string hivex_export(const std::string& file, const std::string& key, const std::string& prefix = "");

}  // namespace hivetest
