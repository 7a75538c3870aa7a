// Value records: a value found by its name in a key's value list, and where
// its data lives.

#include <cstring>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "engine/values.h"
#include "hivemend/lookup.h"

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

using namespace hivemend;

int vlist_find(Hive* hdesc, int list, int count, const char* name, int) {
    const unsigned char* entries = list_at(hdesc, list, 0, count, 4);
    if (!entries || !name) return -1;
    return list_find(hdesc, entries, count, NameQuery(name));
}
