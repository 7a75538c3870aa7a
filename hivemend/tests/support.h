#pragma once

// Shared helpers of the hive engine tests: sample files, scratch folders,
// the hivex tools as an independent reader, and a full dump of a hive as a
// tree to compare.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hivemend/engine.h"
#include "hivemend/visit.h"

namespace hivetest {

struct HiveCloser {
    void operator()(Hive* h) const { closeHive(h); }
};
using HivePtr = std::unique_ptr<Hive, HiveCloser>;

// Path of an unpacked sample hive (HIVE_SAMPLES is set by CTest).
std::string sample(const std::string& name);

// A folder removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Copies a file here, writable, and returns the copy's path.
    std::string copy(const std::string& from, const std::string& name) const;

private:
    std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// Runs a shell command; its standard output, and its exit status in `*status`.
std::string run(const std::string& command, int* status);

// One value as both readers see it.
struct Value {
    int type = 0;
    std::string data;
    bool operator==(const Value&) const = default;
};
// Key path ("\" + names joined by "\") -> value name -> value. Names are the
// stored bytes of 8-bit names and the UTF-8 form of UTF-16LE names, as the
// hivex export writes them.
using Tree = std::map<std::string, std::map<std::string, Value>>;

// How a tree spells a stored name: 8-bit when `compressed`, else UTF-16LE.
using NameSpelling = std::string (*)(const char* name, size_t len, bool compressed);
// The hivex export's spelling: 8-bit names as stored, UTF-16LE names in UTF-8.
std::string hivex_spelling(const char* name, size_t len, bool compressed);

// Turns the one list of the key at record offset `key` into an ri of two
// lists, split in the middle.
void split_into_ri(Hive* h, int key);

// The whole hive as the engine reads it, names spelled by `spell`; damaged
// places are counted in `*damages` when it is given.
Tree engine_tree(Hive* h, int* damages, NameSpelling spell = hivex_spelling);
// Pieces of registry text lines: the quoted text at the front of `line`
// with its escapes resolved (`*end` set past its closing quote), and the
// value that data text (dword:, hex: or hex(N): bytes) stands for.
std::string reg_quoted(const std::string& line, size_t* end);
Value reg_value(const std::string& data);

// The whole hive as `hivexregedit --export` reads it; empty when it refuses.
Tree hivex_tree(const std::string& file);

}  // namespace hivetest
