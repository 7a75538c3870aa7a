// Reading values: lookup by name, enumeration and data.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diag.h"
#include "hivemend/lookup.h"
#include "hivemend/text.h"
#include "image.h"
#include "memory.h"
#include "names.h"
#include "values.h"

using namespace hivemend;

namespace hivemend {

namespace {

// The value list of a key, or null when it does not fit its cell.
const unsigned char* value_list(const Hive* h, const nk_key* nk) {
    return list_at(h, stored_to_rec(nk->ofs_vallist), 0, nk->no_values, 4);
}

int list_find(const Hive* h, const unsigned char* list, int count, const NameQuery& q) {
    for (int i = 0; i < count; ++i) {
        const vk_key* vk = vk_at(h, stored_to_rec(rd32(list + 4 * i)));
        if (vk && value_name_matches(vk, q)) return i;
    }
    return -1;
}

// Whether the parts of a db record are used cells that hold `len` bytes.
bool big_data_fits(const Hive* h, const unsigned char* rec, int len) {
    const auto* db = reinterpret_cast<const db_key*>(rec);
    const unsigned char* list = list_at(h, stored_to_rec(db->ofs_list), 0, db->no_parts, 4);
    if (!list) return false;
    int64_t cap = 0;
    for (int i = 0; i < db->no_parts; ++i) {
        const Cell part = cell_at(h, stored_to_cell(rd32(list + 4 * i)));
        if (!part || !part.used) return false;
        cap += part.len - 8;
    }
    return cap >= len;
}

}  // namespace

int find_value(const Hive* h, const nk_key* nk, const NameQuery& q) {
    if (nk->no_values <= 0) return 0;
    const unsigned char* list = value_list(h, nk);
    if (!list) return 0;
    const int i = list_find(h, list, nk->no_values, q);
    return i < 0 ? 0 : static_cast<int>(stored_to_rec(rd32(list + 4 * i)));
}

DataRef locate_data(const Hive* h, const vk_key* vk) {
    DataRef d;
    const uint32_t word = vk->len_data;
    if (word & VK_DATA_INLINE) {
        d.len = static_cast<int>(word & ~VK_DATA_INLINE);
        if (d.len > 4) return {DataKind::Damaged, d.len, nullptr};
        d.kind = d.len ? DataKind::Inline : DataKind::None;
        d.p = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(&vk->ofs_data));
        return d;
    }
    d.len = static_cast<int>(word);
    if (d.len == 0) return d;
    const int64_t rec = stored_to_rec(static_cast<int32_t>(vk->ofs_data));
    const Cell c = cell_at(h, rec - 4);
    const bool fits = c && c.used && c.data_len() >= d.len;
    if (d.len > VAL_MAX_CELL_DATA) {
        // Hives before version 1.4 keep big data in one cell; db records came later.
        const bool db =
            record_cell(h, rec, ID_DB, sizeof(db_key)) && (!fits || header_dword(h, REGF_VERSION_MINOR) >= 4);
        if (db)
            return big_data_fits(h, c.data(h), d.len) ? DataRef{DataKind::Big, d.len, c.data(h)}
                                                      : DataRef{DataKind::Damaged, d.len, nullptr};
    }
    if (!fits) return {DataKind::Damaged, d.len, nullptr};
    return {DataKind::Cell, d.len, c.data(h)};
}

bool copy_data(const Hive* h, const DataRef& d, unsigned char* out, const char* trace) {
    switch (d.kind) {
    case DataKind::None: return true;
    case DataKind::Damaged: return false;
    case DataKind::Inline:
    case DataKind::Cell: memcpy(out, d.p, static_cast<size_t>(d.len)); return true;
    case DataKind::Big: break;
    }
    const auto* db = reinterpret_cast<const db_key*>(d.p);
    const int parts = db->no_parts;
    const int64_t list_rec = stored_to_rec(db->ofs_list);
    const unsigned char* list = list_at(h, list_rec, 0, parts, 4);
    if (!list) return false;
    if (trace) diag_printf("%s: Long value: parts = %d, list = %x\n", trace, parts, static_cast<int>(list_rec - 4));
    int got = 0;
    for (int i = 0; i < parts; ++i) {
        const Cell part = cell_at(h, stored_to_cell(rd32(list + 4 * i)));
        if (!part || !part.used) return false;
        const int cap = part.len - 8;
        const int copy = d.len - got < cap ? d.len - got : cap;
        if (trace) {
            diag_printf("%s: Datablock %d offset %x, size %x (%d)\n", trace, i, part.ofs, cap, cap);
            diag_printf("             : Point = %x, restlen = %x, copylen = %x\n", got, d.len - got, copy);
        }
        memcpy(out + got, part.data(h), static_cast<size_t>(copy));
        got += copy;
    }
    return got == d.len;
}

}  // namespace hivemend

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

int vlist_find(Hive* hdesc, int list, int count, const char* name, int) {
    const unsigned char* entries = list_at(hdesc, list, 0, count, 4);
    if (!entries || !name) return -1;
    return list_find(hdesc, entries, count, NameQuery(name));
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
