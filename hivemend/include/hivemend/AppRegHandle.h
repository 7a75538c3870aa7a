#pragma once

// The key handle of the installation layer (CAppRegstry). A handle stands for
// one key in one hive, for a SOFTWARE key together with its Wow6432Node
// mirror, or for one key in every user's hive.

#include <cstdint>
#include <vector>

class CKRegstry;

// One key of a handle that covers several.
struct _APP_REG_ENTRY {
    int inactive;  // 1: the entry is not looked at or acted on
    int view;      // SOFTWARE: 2 native, 1 Wow6432Node mirror; users: 0
    unsigned key;  // key offset in its hive, 0 = the key does not exist
};

// SOFTWARE: the native view first, the mirror second. Users: one entry per
// loaded user hive, in load order.
struct _APP_REG_TABLE {
    std::vector<_APP_REG_ENTRY> entries;
};

struct _APP_REG_HANDLE {
    // Single-file hives (hiveIndex 1-5): the key offset, 0 when the key does
    // not exist. SOFTWARE (0) and users (8): the address of the handle's
    // table, which CAppRegstry::AddSubKey returns again.
    uintptr_t key;
    int hiveIndex;
    // Single-file hives: the hive object holding the key.
    CKRegstry* object;

    bool covers_several() const { return hiveIndex == 0 || hiveIndex == 8; }
    _APP_REG_TABLE* table() const { return covers_several() ? reinterpret_cast<_APP_REG_TABLE*>(key) : nullptr; }
};
