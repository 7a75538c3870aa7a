#pragma once

// On-disk layout of a registry hive file. Every multi-byte field is
// little-endian; the engine runs on little-endian hosts only.

#include <cstdint>

#include "hivemend/export.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "hive records are read in place");

// File offset of the first hbin page; stored offsets count from here.
inline constexpr int HBIN_START = 0x1000;
// Stored offset meaning "none" (no index, no value list, no class name).
inline constexpr int32_t OFS_NONE = -1;

// Base block fields.
inline constexpr int REGF_SIGNATURE = 0x66676572;  // "regf"
inline constexpr int REGF_VERSION_MINOR = 0x018;
inline constexpr int REGF_ROOT_OFS = 0x024;
inline constexpr int REGF_DATA_SIZE = 0x028;
inline constexpr int REGF_NAME = 0x030;
inline constexpr int REGF_CHECKSUM = 0x1FC;

// hbin page header.
inline constexpr int HBIN_SIGNATURE = 0x6E696268;  // "hbin"
inline constexpr int HBIN_HEADER = 0x20;
inline constexpr int HBIN_OFS_SELF = 0x04;
inline constexpr int HBIN_OFS_NEXT = 0x08;

// Two-letter record ids as the 16-bit word they form.
inline constexpr uint16_t ID_NK = 0x6B6E;
inline constexpr uint16_t ID_VK = 0x6B76;
inline constexpr uint16_t ID_SK = 0x6B73;
inline constexpr uint16_t ID_LF = 0x666C;
inline constexpr uint16_t ID_LH = 0x686C;
inline constexpr uint16_t ID_LI = 0x696C;
inline constexpr uint16_t ID_RI = 0x6972;
inline constexpr uint16_t ID_DB = 0x6264;

// nk type: the root key, and the flag of names stored in 8-bit characters.
inline constexpr uint16_t NK_ROOT_TYPE = 0x2C;
inline constexpr uint16_t NK_COMPRESSED_NAME = 0x20;
// vk flag: the name is stored in 8-bit characters.
inline constexpr uint16_t VK_COMPRESSED_NAME = 0x1;
// vk length word: the data sits in the data field itself.
inline constexpr uint32_t VK_DATA_INLINE = 0x80000000u;

// Largest value held in one data cell; longer ones use a db record.
inline constexpr int VAL_MAX_CELL_DATA = 16336;

// Registry value types.
enum RegType : int {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_DWORD_BIG_ENDIAN = 5,
    REG_LINK = 6,
    REG_MULTI_SZ = 7,
    REG_RESOURCE_LIST = 8,
    REG_FULL_RESOURCE_DESCRIPTOR = 9,
    REG_RESOURCE_REQUIREMENTS_LIST = 10,
    REG_QWORD = 11,
};
inline constexpr int REG_MAX = REG_QWORD;

// Listing names of the types 0..REG_MAX.
HIVEMEND_API extern const char* const val_types[REG_MAX + 1];
// The listing name of any type code, "(unknown)" outside the table.
HIVEMEND_API const char* val_type_name(int type);

#pragma pack(push, 1)

// Key record "nk"; the name follows the fixed part.
struct nk_key {
    uint16_t id;
    uint16_t type;
    uint32_t timestamp[2];
    uint32_t dummy0;
    int32_t ofs_parent;
    int32_t no_subkeys;
    int32_t dummy1;
    int32_t ofs_lf;
    int32_t dummy2;
    int32_t no_values;
    int32_t ofs_vallist;
    int32_t ofs_sk;
    int32_t ofs_classnam;
    int32_t dummy3;
    int32_t dummy4;  // maximum class name length
    int32_t dummy5;  // maximum value name length
    int32_t dummy6;  // maximum value data length
    int32_t dummy7;
    uint16_t len_name;
    uint16_t len_classnam;
};
static_assert(sizeof(nk_key) == 0x4C);

// Value record "vk"; the name follows the fixed part.
struct vk_key {
    uint16_t id;
    uint16_t len_name;
    uint32_t len_data;
    uint32_t ofs_data;
    uint32_t val_type;
    uint16_t flag;
    uint16_t dummy1;
};
static_assert(sizeof(vk_key) == 0x14);

// Security record "sk"; the security data follows.
struct sk_key {
    uint16_t id;
    uint16_t dummy1;
    int32_t ofs_prevsk;
    int32_t ofs_nextsk;
    int32_t no_usage;
    int32_t len_sk;
};
static_assert(sizeof(sk_key) == 0x14);

// Head of a subkey index ("lf", "lh", "li", "ri"); the entries follow.
struct index_head {
    uint16_t id;
    uint16_t no_entries;
};
static_assert(sizeof(index_head) == 4);

// Entry of an "lf" or "lh" index: the key's stored offset and its name hint
// (lf: first four name bytes) or hash (lh).
struct lf_entry {
    int32_t ofs_nk;
    uint32_t hint;
};
static_assert(sizeof(lf_entry) == 8);

// Big-data record "db".
struct db_key {
    uint16_t id;
    uint16_t no_parts;
    int32_t ofs_list;
};
static_assert(sizeof(db_key) == 8);

#pragma pack(pop)

// The name bytes that follow a record's fixed part.
inline char* nk_name(nk_key* nk) { return reinterpret_cast<char*>(nk) + sizeof(nk_key); }
inline const char* nk_name(const nk_key* nk) { return reinterpret_cast<const char*>(nk) + sizeof(nk_key); }
inline char* vk_name(vk_key* vk) { return reinterpret_cast<char*>(vk) + sizeof(vk_key); }
inline const char* vk_name(const vk_key* vk) { return reinterpret_cast<const char*>(vk) + sizeof(vk_key); }

// lh hash of a name: h = h * 37 + upper(c) over its bytes.
HIVEMEND_API uint32_t lh_hash(const char* name, int len);
