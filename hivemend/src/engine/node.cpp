// Reading keys: subkey enumeration, a key's path and class name.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "hivemend/lookup.h"
#include "hivemend/text.h"
#include "index.h"
#include "keys.h"
#include "memory.h"

using namespace hivemend;

int ex_next_n(Hive* hdesc, int key, int* count, int* subindex, SubkeyInfo* sptr) {
    if (!key) return -1;
    const nk_key* nk = nk_at(hdesc, key);
    if (!nk) {
        diag_printf("ex_next error: Not a 'nk' node at 0x%0x\n", key);
        return -1;
    }
    if (*count < 0) return 0;
    const int64_t index = stored_to_rec(nk->ofs_lf);
    Leaf leaf;
    int entry = *count;
    RiList ri;
    if (index_id(hdesc, index) == ID_RI) {
        if (!ri_at(hdesc, index, &ri)) {
            diag_printf("ex_next: ERROR: index of key at 0x%0x is damaged\n", key);
            return -1;
        }
        // Empty sub-indexes hold nothing to report: pass on to the next one.
        for (;;) {
            if (*subindex < 0 || *subindex >= ri.count) return 0;
            if (!leaf_at(hdesc, stored_to_rec(ri.leaf(*subindex)), &leaf)) {
                diag_printf("ex_next: ERROR: sub-index %d of key at 0x%0x is damaged\n", *subindex, key);
                return -1;
            }
            if (*count < leaf.count) break;
            ++*subindex;
            *count = 0;
        }
        entry = *count;
        if (*count >= leaf.count - 1) {
            ++*subindex;
            *count = -1;
        }
    } else {
        if (nk->no_subkeys < 1 || *count >= nk->no_subkeys) return 0;
        if (!leaf_at(hdesc, index, &leaf) || entry >= leaf.count) {
            diag_printf("ex_next: ERROR: index of key at 0x%0x does not hold subkey %d\n", key, entry);
            return -1;
        }
    }
    const int32_t stored = leaf.nk(entry);
    sptr->nkoffs = static_cast<int>(stored_to_cell(stored));
    sptr->nk = nk_stored(hdesc, stored);
    sptr->name = nullptr;
    if (!sptr->nk) {
        diag_printf("ex_next: ERROR: not 'nk' node at 0x%0x\n", sptr->nkoffs);
        return -1;
    }
    if (sptr->nk->len_name == 0) {
        diag_printf("ex_next: nk at 0x%0x has no name!\n", sptr->nkoffs);
    } else {
        sptr->name = mem_str(nk_name(sptr->nk), sptr->nk->len_name);
    }
    ++*count;
    return 1;
}

int get_abs_path(Hive* hdesc, int key, char* path, int maxlen) {
    const nk_key* nk = nk_at(hdesc, key);
    if (!nk) {
        diag_puts("get_abs_path: Not a 'nk' node!");
        return 0;
    }
    if (maxlen > 4096) maxlen = 4096;
    if (maxlen <= 0) return 0;
    std::string text(path, strnlen(path, static_cast<size_t>(maxlen - 1)));
    int64_t cur = key;
    // Each step adds at least one character, so a looping parent chain ends
    // at the length limit.
    while (nk && !is_root(hdesc, cur, nk)) {
        const std::string name =
            (nk->type & NK_COMPRESSED_NAME) ? std::string(nk_name(nk), nk->len_name) : key_name_utf8(nk);
        if (static_cast<int64_t>(text.size() + name.size() + 1) >= maxlen - 6) {
            text = "(...)" + text;
            break;
        }
        text = "\\" + name + text;
        cur = stored_to_rec(nk->ofs_parent);
        nk = nk_at(hdesc, cur);
    }
    snprintf(path, static_cast<size_t>(maxlen), "%s", text.c_str());
    return static_cast<int>(strlen(path));
}

ValueBuffer* get_class(Hive* hdesc, int key, const char* path) {
    if (!path && !key) return nullptr;
    const int cell = trav_path(hdesc, key, path, 0);
    if (!cell) {
        diag_printf("get_class: Key <%s> not found\n", path ? path : "");
        return nullptr;
    }
    const nk_key* nk = nk_at(hdesc, cell + 4);
    if (!nk) return nullptr;
    if (nk->len_classnam == 0) {
        diag_puts("get_class: Key has no class data.");
        return nullptr;
    }
    const unsigned char* data = list_at(hdesc, stored_to_rec(nk->ofs_classnam), 0, nk->len_classnam, 1);
    if (!data) {
        diag_printf("get_class: class name of key at 0x%x does not fit its cell\n", cell + 4);
        return nullptr;
    }
    ValueBuffer* buf = new_valuebuffer(nk->len_classnam);
    memcpy(vb_data(buf), data, nk->len_classnam);
    return buf;
}

char* get_key_name_utf8(Hive* hdesc, int key) {
    const nk_key* nk = nk_at(hdesc, key);
    return nk ? str_dup(key_name_utf8(nk).c_str()) : nullptr;
}
