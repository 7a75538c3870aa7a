#pragma once

// The rule database in memory, as CRegFix holds it: rules (one registry key
// each, with the values it must hold) and sections (named groups of rules,
// the items of the repair list). The kind, state and flag fields belong to
// CRegFix; it keeps both lists private.

#include <cstdlib>
#include <memory>
#include <vector>

#include "hivemend/export.h"

// What a rule asks for.
constexpr int RULE_NORMAL = 0;      // the key is present with the listed values
constexpr int RULE_DELETE_KEY = 1;  // the key is absent
constexpr int RULE_REBUILD = 2;     // the key is deleted and created anew on repair

// The verdict of a rule's last scan, which says what its repair does.
constexpr int STATE_DELETE_KEY = 3;   // delete the key
constexpr int STATE_ADD_KEY = 5;      // create the key, then write every value
constexpr int STATE_REBUILD_KEY = 6;  // delete the key, create it, write every value
constexpr int STATE_VALUES = 8;       // write the values found missing or different

// Field sizes, terminator included.
constexpr int kSectionNameSize = 128;
constexpr int kRuleKeySize = 324;
constexpr int kValueNameSize = 260;
// Largest value data a rule can hold.
constexpr int kValueDataSize = 4096;

// What a value's absence means (the "absent" member of a rule's value).
constexpr int ABSENT_PROBLEM = 0;   // the value must be there with the data (no member)
constexpr int ABSENT_ALLOWED = 1;   // "allowed": it may be absent; only other data is a problem
constexpr int ABSENT_REQUIRED = 2;  // "required": it must not exist; repair deletes it

// One value a rule's key must hold: a header followed in the same heap block
// by `length` data bytes, exactly as the registry stores them.
struct _VNAME_DATA_ {
    int type;                   // registry type code
    char name[kValueNameSize];  // "" is the key's default value
    int length;                 // data bytes
    int needFix;                // the last scan found it missing or different (or present, for ABSENT_REQUIRED)
    int absent;                 // ABSENT_*
    int ignoreCase;             // text compared with the letters A-Z folded ("ignore case": true)

    unsigned char* data() { return reinterpret_cast<unsigned char*>(this + 1); }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(this + 1); }
};

struct VNameDataFree {
    void operator()(_VNAME_DATA_* p) const { std::free(p); }
};
using VNameDataPtr = std::unique_ptr<_VNAME_DATA_, VNameDataFree>;

// A value record with room for `capacity` data bytes, all fields zero;
// ends the process when memory runs out.
HIVEMEND_API VNameDataPtr NewVNameData(int capacity);

struct _RULE_ {
    int kind = RULE_NORMAL;
    int state = 0;                     // not scanned yet
    unsigned char needFix = 0;         // the last scan found something to fix
    unsigned char rebuilt = 0;         // rebuilt since the engine was made
    char key[kRuleKeySize] = {};       // full registry path, without a leading "-"
    std::vector<VNameDataPtr> values;  // in file order

    int valueCount() const { return static_cast<int>(values.size()); }
};

struct _SECTION {
    char name[kSectionNameSize] = {};
    std::vector<int> rules;  // global rule indexes, in file order

    int count() const { return static_cast<int>(rules.size()); }
};
