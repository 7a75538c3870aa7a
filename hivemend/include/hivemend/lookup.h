#pragma once

// Finding keys and values by path, enumerating them, and reading value data.
// Offsets: `start`/`key` arguments are record offsets (0 = the root key);
// trav_path answers with cell offsets, 0 = not found.
//
// Names in paths are UTF-8 or 8-bit bytes. An 8-bit stored name matches its
// own bytes or the UTF-8 form of its Latin-1 characters, folding 'a'-'z'; a
// UTF-16LE stored name matches the UTF-8 text of the same characters exactly.

#include <cstdint>

#include "hivemend/export.h"
#include "hivemend/format.h"
#include "hivemend/hive.h"

// Lookup flags.
enum : int {
    LOOKUP_VALUE = 0x1,
    LOOKUP_LITERAL = 0x40,
    LOOKUP_EXACT = 0x80,
    LOOKUP_TYPE_AS_DATA = 0x100,
};

// A 32-bit length followed by that many bytes; freed with free().
struct ValueBuffer {
    int32_t len;
};
static_assert(sizeof(ValueBuffer) == 4);
inline unsigned char* vb_data(ValueBuffer* b) { return reinterpret_cast<unsigned char*>(b) + sizeof(ValueBuffer); }
inline const unsigned char* vb_data(const ValueBuffer* b) {
    return reinterpret_cast<const unsigned char*>(b) + sizeof(ValueBuffer);
}
// A new zeroed buffer of `len` bytes.
HIVEMEND_API ValueBuffer* new_valuebuffer(int len);

struct SubkeyInfo {
    int nkoffs;  // cell offset of the subkey's nk
    nk_key* nk;  // its record, valid until the next allocation
    char* name;  // copy of the stored name bytes, caller frees; null when nameless
};

struct ValueInfo {
    int vkoffs;  // record offset of the vk
    vk_key* vk;  // its record, valid until the next allocation
    int type;
    int size;    // length word without the inline bit
    int val;     // inline data of a REG_DWORD
    char* name;  // UTF-8, "" for the unnamed value; caller frees
};

HIVEMEND_API int trav_path(Hive* hdesc, int start, const char* path, int flags);
HIVEMEND_API int vlist_find(Hive* hdesc, int list, int count, const char* name, int flags);
HIVEMEND_API int ex_next_n(Hive* hdesc, int key, int* count, int* subindex, SubkeyInfo* sptr);
HIVEMEND_API int ex_next_v(Hive* hdesc, int key, int* count, ValueInfo* sptr);

HIVEMEND_API int get_val_len(Hive* hdesc, int start, const char* path, int flags);
HIVEMEND_API int get_val_type(Hive* hdesc, int start, const char* path, int flags);
HIVEMEND_API void* get_val_data(Hive* hdesc, int start, const char* path, int type, int flags);
HIVEMEND_API ValueBuffer* get_val2buf(Hive* hdesc, ValueBuffer* dest, int start, const char* path, int type, int flags);
HIVEMEND_API uint32_t get_dword(Hive* hdesc, int start, const char* path, int flags);
// The whole data of the value whose record offset is `vk` (big data joined),
// or null when it is damaged; caller frees.
HIVEMEND_API ValueBuffer* get_vk_data(Hive* hdesc, int vk);

HIVEMEND_API ValueBuffer* get_class(Hive* hdesc, int key, const char* path);
HIVEMEND_API int get_abs_path(Hive* hdesc, int key, char* path, int maxlen);
// The name of a key (record offset) in UTF-8, whether stored in 8-bit
// (Latin-1) or UTF-16LE form; caller frees. Null when `key` is no nk.
HIVEMEND_API char* get_key_name_utf8(Hive* hdesc, int key);
