#include "hivemend/format.h"

#include "engine/names.h"

const char* const val_types[REG_MAX + 1] = {
    "REG_NONE", "REG_SZ",       "REG_EXPAND_SZ",    "REG_BINARY",        "REG_DWORD",   "REG_DWORD_BIG_ENDIAN",
    "REG_LINK", "REG_MULTI_SZ", "REG_RESOUCE_LIST", "REG_FULL_RES_DESC", "REG_RES_REQ", "REG_QWORD",
};

const char* val_type_name(int type) { return type >= 0 && type <= REG_MAX ? val_types[type] : "(unknown)"; }

uint32_t lh_hash(const char* name, int len) {
    return hivemend::name_hash(std::string_view(name, len > 0 ? static_cast<size_t>(len) : 0), true);
}
