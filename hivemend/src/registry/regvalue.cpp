#include "hivemend/regvalue.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hivemend/format.h"

void FreeSubKeylist(_REG_SUBKEYS* list) {
    if (!list) return;
    for (int i = 0; list->names && i < list->count; ++i) free(list->names[i]);
    free(list->names);
    free(list->offsets);
    free(list->subkeys);
    list->names = nullptr;
    list->offsets = nullptr;
    list->subkeys = nullptr;
    list->count = 0;
}

void FreeVarlist(_REG_VALUES* list) {
    if (!list) return;
    for (int i = 0; list->items && i < list->count; ++i) free(list->items[i]);
    free(list->items);
    list->items = nullptr;
    list->count = 0;
}

void RegTypeDisplayName(int type, char* dst) {
    if (!dst) return;
    const char* name = "REG_UNKOWN";
    switch (type) {
    case REG_NONE: name = "REG_NONE"; break;
    case REG_SZ: name = "REG_SZ"; break;
    case REG_EXPAND_SZ: name = "REG_EXPAND_SZ"; break;
    case REG_BINARY: name = "REG_BINARY"; break;
    case REG_DWORD: name = "REG_DWORD"; break;
    case REG_LINK: name = "REG_LINK"; break;
    case REG_MULTI_SZ: name = "REG_MULTI_SZ"; break;
    default: break;
    }
    snprintf(dst, 32, "%s", name);
}

int GetRegTypeByName(const char* name) {
    if (!name) return REG_SZ;
    if (strcmp(name, "REG_SZ") == 0) return REG_SZ;
    if (strcmp(name, "REG_EXPAND_SZ") == 0) return REG_EXPAND_SZ;
    if (strcmp(name, "REG_DWORD") == 0) return REG_DWORD;
    if (strcmp(name, "REG_BINARY") == 0) return REG_BINARY;
    return REG_SZ;
}

int DumpValue(char* out, int size, int type, int len, const void* data) {
    if (!out || size <= 0) return 1;
    out[0] = 0;
    const auto* p = static_cast<const unsigned char*>(data);
    if (!p || len <= 0) return 1;
    if (type == REG_DWORD || type == REG_QWORD) {
        int32_t v = 0;
        memcpy(&v, p, len < 4 ? static_cast<size_t>(len) : 4);
        snprintf(out, static_cast<size_t>(size), "%d", v);
        return 1;
    }
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        int n = 0;
        for (int i = 0; i < len && n < size - 1; ++i)
            if (p[i]) out[n++] = static_cast<char>(p[i]);
        out[n] = 0;
        return 1;
    }
    int n = 0;
    for (int i = 0; i < len && n < size - 5; ++i) {
        const int w = snprintf(out + n, static_cast<size_t>(size - n), "0x%2x ", p[i]);
        if (w < 0 || n + w >= size) break;
        n += w;
    }
    out[n] = 0;
    return 1;
}
