#pragma once

// Result records of the hive objects, their release functions, and the
// names and printable forms of registry values.

#include "hivemend/export.h"

// Subkeys of a key, filled by CKRegstry::EnumSubkeys.
struct _REG_SUBKEYS {
    char** names;       // `count` new UTF-8 key names
    unsigned* offsets;  // their key offsets
    int* subkeys;       // their own subkey counts
    int count;
};

// One value, filled by CKRegstry::EnumValues. Allocated with room for `size`
// data bytes followed by at least four zero bytes.
struct _REG_VALUE {
    char name[260];  // UTF-8, cut at a character boundary when longer
    int type;
    int size;  // data bytes
    unsigned char data[4];
};

// Values of a key; an entry stays null for a value that could not be read.
struct _REG_VALUES {
    int count;
    _REG_VALUE** items;
};

// Frees every name and the three arrays, not the record itself.
HIVEMEND_API void FreeSubKeylist(_REG_SUBKEYS* list);
// Frees every item and the array, not the record itself.
HIVEMEND_API void FreeVarlist(_REG_VALUES* list);

// Writes the name of a type code into `dst` (capacity 32): REG_NONE, REG_SZ,
// REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_LINK, REG_MULTI_SZ, else
// "REG_UNKOWN".
HIVEMEND_API void RegTypeDisplayName(int type, char* dst);
// Type code of "REG_SZ", "REG_EXPAND_SZ", "REG_DWORD" or "REG_BINARY"
// (exact, case-sensitive); 1 for any other text.
HIVEMEND_API int GetRegTypeByName(const char* name);

// A printable form of a value in `out` (`size` bytes, always terminated):
// REG_DWORD and REG_QWORD as their first 32-bit word in signed decimal;
// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ as their non-zero bytes; anything
// else as "0x%2x " per byte. Returns 1.
HIVEMEND_API int DumpValue(char* out, int size, int type, int len, const void* data);
