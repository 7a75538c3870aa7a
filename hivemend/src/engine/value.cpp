// Reading values by path: enumeration, lengths, types and data.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "engine/values.h"
#include "hivemend/lookup.h"
#include "hivemend/text.h"
#include "memory.h"

using namespace hivemend;

namespace {

// The vk found for a value function, or null.
vk_key* lookup_vk(Hive* h, int start, const char* path, int flags) {
    const int cell = trav_path(h, start, path, flags | LOOKUP_VALUE);
    return cell ? vk_at(h, static_cast<int64_t>(cell) + 4) : nullptr;
}

bool type_matches(const vk_key* vk, int type, const char* path) {
    if (type && vk->val_type && static_cast<int>(vk->val_type) != type) {
        diag_printf("Value <%s> is not of correct type!\n", path ? path : "");
        return false;
    }
    return true;
}

}  // namespace

ValueBuffer* new_valuebuffer(int len) {
    if (len < 0) len = 0;
    auto* b = static_cast<ValueBuffer*>(xcalloc(sizeof(ValueBuffer) + static_cast<size_t>(len)));
    b->len = len;
    return b;
}

int ex_next_v(Hive* hdesc, int key, int* count, ValueInfo* sptr) {
    if (!key) return -1;
    const nk_key* nk = nk_at(hdesc, key);
    if (!nk) {
        diag_printf("ex_next_v error: Not a 'nk' node at 0x%0x\n", key);
        return -1;
    }
    if (*count < 0 || *count >= nk->no_values) return 0;
    const unsigned char* list = list_at(hdesc, stored_to_rec(nk->ofs_vallist), 0, nk->no_values, 4);
    if (!list) {
        diag_printf("ex_next_v: value list of key at 0x%0x does not fit its cell\n", key);
        return -1;
    }
    const int64_t rec = stored_to_rec(rd32(list + 4 * *count));
    vk_key* vk = vk_at(hdesc, rec);
    if (!vk) {
        diag_printf("ex_next_v: hit non valuekey (vk) node during scan at offs 0x%0x\n", static_cast<int>(rec));
        return -1;
    }
    sptr->vkoffs = static_cast<int>(rec);
    sptr->vk = vk;
    sptr->type = static_cast<int>(vk->val_type);
    sptr->size = static_cast<int>(vk->len_data & ~VK_DATA_INLINE);
    const bool inline_dword = (vk->len_data & VK_DATA_INLINE) && sptr->size && vk->val_type == REG_DWORD;
    sptr->val = inline_dword ? static_cast<int>(vk->ofs_data) : 0;
    if (vk->len_name == 0) {
        sptr->name = str_dup("");
    } else if (vk->flag & VK_COMPRESSED_NAME) {
        sptr->name = mem_str(vk_name(vk), vk->len_name);
    } else {
        sptr->name = string_regw2prog(vk_name(vk), vk->len_name);
    }
    ++*count;
    return 1;
}

int get_val_len(Hive* hdesc, int start, const char* path, int flags) {
    const vk_key* vk = lookup_vk(hdesc, start, path, flags);
    if (!vk) return -1;
    if (vk->len_data == VK_DATA_INLINE && (flags & LOOKUP_TYPE_AS_DATA)) return 4;
    return static_cast<int>(vk->len_data & ~VK_DATA_INLINE);
}

int get_val_type(Hive* hdesc, int start, const char* path, int flags) {
    const vk_key* vk = lookup_vk(hdesc, start, path, flags);
    return vk ? static_cast<int>(vk->val_type) : -1;
}

void* get_val_data(Hive* hdesc, int start, const char* path, int type, int flags) {
    const int cell = trav_path(hdesc, start, path, flags | LOOKUP_VALUE);
    if (!cell) {
        diag_printf("get_val_data: %s not found\n", path ? path : "");
        return nullptr;
    }
    vk_key* vk = vk_at(hdesc, static_cast<int64_t>(cell) + 4);
    if (!vk || vk->len_data == 0) return nullptr;
    if (vk->len_data == VK_DATA_INLINE && (flags & LOOKUP_TYPE_AS_DATA)) return &vk->val_type;
    if (!type_matches(vk, type, path)) return nullptr;
    const DataRef d = locate_data(hdesc, vk);
    if (d.kind == DataKind::Damaged) {
        diag_printf("get_val_data: data of %s at 0x%x does not fit its cell\n", path ? path : "", cell + 4);
        return nullptr;
    }
    return d.p;
}

ValueBuffer* get_val2buf(Hive* hdesc, ValueBuffer* dest, int start, const char* path, int type, int flags) {
    const int len = get_val_len(hdesc, start, path, flags);
    if (len < 0) return nullptr;
    if (dest && len > dest->len) return nullptr;
    vk_key* vk = lookup_vk(hdesc, start, path, flags);
    const bool type_as_data = vk->len_data == VK_DATA_INLINE && (flags & LOOKUP_TYPE_AS_DATA);
    const DataRef d = locate_data(hdesc, vk);
    if (!type_as_data && d.kind == DataKind::Damaged) {
        diag_printf("get_val2buf: data of %s at 0x%x is damaged\n", path ? path : "", rec_ofs(hdesc, vk));
        return nullptr;
    }
    ValueBuffer* buf = dest ? dest : new_valuebuffer(len);
    buf->len = len;
    memset(vb_data(buf), 0, static_cast<size_t>(len));
    if (type_as_data) {
        memcpy(vb_data(buf), &vk->val_type, 4);
    } else if (type_matches(vk, type, path)) {
        copy_data(hdesc, d, vb_data(buf), "get_val2buf");
    }
    return buf;
}

uint32_t get_dword(Hive* hdesc, int start, const char* path, int flags) {
    ValueBuffer* buf = get_val2buf(hdesc, nullptr, start, path, REG_DWORD, flags);
    if (!buf) return 0xFFFFFFFFu;
    uint32_t v = 0;
    memcpy(&v, vb_data(buf), buf->len < 4 ? static_cast<size_t>(buf->len) : 4);
    free(buf);
    return v;
}

ValueBuffer* get_vk_data(Hive* hdesc, int vk) {
    const vk_key* rec = vk_at(hdesc, vk);
    if (!rec) return nullptr;
    const DataRef d = locate_data(hdesc, rec);
    if (d.kind == DataKind::Damaged) return nullptr;
    ValueBuffer* buf = new_valuebuffer(d.len);
    copy_data(hdesc, d, vb_data(buf), nullptr);
    return buf;
}
