#include "hivemend/format.h"

const char* const val_types[REG_MAX + 1] = {
    "REG_NONE",         "REG_SZ",            "REG_EXPAND_SZ", "REG_BINARY",
    "REG_DWORD",        "REG_DWORD_BIG_ENDIAN", "REG_LINK",   "REG_MULTI_SZ",
    "REG_RESOUCE_LIST", "REG_FULL_RES_DESC", "REG_RES_REQ",   "REG_QWORD",
};

const char* val_type_name(int type) {
    return type >= 0 && type <= REG_MAX ? val_types[type] : "(unknown)";
}

uint32_t lh_hash(const char* name, int len) {
    uint32_t h = 0;
    for (int i = 0; i < len; ++i) {
        uint32_t c = static_cast<unsigned char>(name[i]);
        if ((c >= 0x61 && c <= 0x7A) || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
            c -= 0x20;
        } else if (c == 0xB5 || c == 0xFF) {
            c = 0;
        }
        h = h * 37 + c;
    }
    return h;
}
