// Changing values: their data of any size, adding and deleting them.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "engine/values.h"
#include "hivemend/modify.h"
#include "path.h"

using namespace hivemend;

namespace {

// Part size of the db records the engine writes.
constexpr int kPart = VAL_MAX_CELL_DATA;

// Hives before version 1.4 know no db records: their big data stays in one cell.
bool big_in_one_cell(const Hive* h) { return header_dword(h, REGF_VERSION_MINOR) < 4; }

// Frees cells allocated by an operation that then failed.
void free_cells(Hive* h, const std::vector<int>& cells) {
    for (const int c : cells) free_block(h, c);
}

// Windows keeps in each key the length of its longest value name and of its
// largest value data; a value that grows past them raises them.
void raise_maxima(Hive* h, int key, size_t name_len, int data_len) {
    nk_key* nk = nk_at(h, key);
    if (!nk) return;
    if (nk->dummy5 < static_cast<int64_t>(name_len)) nk->dummy5 = static_cast<int32_t>(name_len);
    if (nk->dummy6 < data_len) nk->dummy6 = data_len;
}

// Room for `size` bytes as the data of the value at record offset `vk`,
// whose old data is freed; null on failure.
void* allocate_data(Hive* hdesc, int vk, int size) {
    free_val_data(hdesc, vk);
    if (size <= 4) {
        vk_key* v = vk_at(hdesc, vk);
        v->len_data = static_cast<uint32_t>(size) | VK_DATA_INLINE;
        v->ofs_data = 0;
        hdesc->state |= HIVE_DIRTY;
        return &v->ofs_data;
    }
    if (size <= kPart || big_in_one_cell(hdesc)) {
        const int blk = alloc_block(hdesc, vk, size);
        if (!blk) return nullptr;
        vk_key* v = vk_at(hdesc, vk);
        v->ofs_data = static_cast<uint32_t>(cell_to_stored(blk));
        v->len_data = static_cast<uint32_t>(size);
        return hdesc->buffer + blk + 4;
    }
    const int parts = size / kPart + 1;
    diag_printf("alloc_val_data: doing large key: size = %x (%d), parts = %d\n", size, size, parts);
    std::vector<int> cells;
    const int db = alloc_block(hdesc, vk, sizeof(db_key));
    if (!db) return nullptr;
    cells.push_back(db);
    const int list = alloc_block(hdesc, vk, parts * 4);
    if (!list) {
        free_cells(hdesc, cells);
        return nullptr;
    }
    cells.push_back(list);
    diag_printf("alloc_val_data: dbofs = %x, listofs = %x\n", db, list);
    for (int i = 0; i < parts; ++i) {
        const int part = alloc_block(hdesc, vk, kPart);
        if (!part) {
            free_cells(hdesc, cells);
            return nullptr;
        }
        cells.push_back(part);
        diag_printf("alloc_val_data: block # %d, blockofs = %x\n", i, part);
        wr32(hdesc->buffer + list + 4 + 4 * i, cell_to_stored(part));
    }
    auto* rec = reinterpret_cast<db_key*>(hdesc->buffer + db + 4);
    rec->id = ID_DB;
    rec->no_parts = static_cast<uint16_t>(parts);
    rec->ofs_list = cell_to_stored(list);
    vk_key* v = vk_at(hdesc, vk);
    v->ofs_data = static_cast<uint32_t>(cell_to_stored(db));
    v->len_data = static_cast<uint32_t>(size);
    return rec;
}

std::vector<int32_t> copy_entries(const unsigned char* list, int count) {
    std::vector<int32_t> v(static_cast<size_t>(count));
    if (count) memcpy(v.data(), list, 4 * static_cast<size_t>(count));
    return v;
}

}  // namespace

int free_val_data(Hive* hdesc, int vofs) {
    if (!hive_may_change(hdesc)) return 0;
    const vk_key* vk = vk_at(hdesc, vofs);
    if (!vk) return 0;
    const DataRef d = locate_data(hdesc, vk);
    const int32_t field = static_cast<int32_t>(vk->ofs_data);
    if (d.kind == DataKind::Cell) {
        free_block(hdesc, static_cast<int>(stored_to_cell(field)));
    } else if (d.kind == DataKind::Big) {
        const auto* db = reinterpret_cast<const db_key*>(d.p);
        const int parts = db->no_parts;
        const int list = static_cast<int>(stored_to_cell(db->ofs_list));
        const std::vector<int32_t> entries = copy_entries(list_at(hdesc, list + 4, 0, parts, 4), parts);
        diag_printf("free_val_data: Long value: parts = %d, list = %x\n", parts, list);
        for (int i = 0; i < parts; ++i) {
            const int part = static_cast<int>(stored_to_cell(entries[static_cast<size_t>(i)]));
            const int len = -rd32(hdesc->buffer + part);
            diag_printf("free_val_data: Freeing long datablock %d offset %x, size %x (%d)\n", i, part, len, len);
            free_block(hdesc, part);
        }
        diag_printf("free_val_data: Freeing indirect list at %x\n", list);
        free_block(hdesc, list);
        diag_printf("free_val_data: Freeing db structure at %x\n", static_cast<int>(stored_to_cell(field)));
        free_block(hdesc, static_cast<int>(stored_to_cell(field)));
    } else if (d.kind == DataKind::Damaged) {
        diag_printf("free_val_data: data of value at 0x%x is damaged and left in place\n", vofs);
    }
    vk_key* w = vk_at(hdesc, vofs);
    if (w) {
        w->len_data = 0;
        w->ofs_data = 0;
        hdesc->state |= HIVE_DIRTY;
    }
    return vofs;
}

void* alloc_val_data(Hive* hdesc, int vofs, const char* path, int size, int flags) {
    if (!hive_may_change(hdesc)) return nullptr;
    const PathHit hit = find_path(hdesc, vofs, path, flags);
    const int vk = hit.cell + 4;
    if (!hit.cell || !vk_at(hdesc, vk) || size < 0) return nullptr;
    void* room = allocate_data(hdesc, vk, size);
    if (room) raise_maxima(hdesc, hit.key, hit.name_len, size);
    return room;
}

int put_buf2val(Hive* hdesc, ValueBuffer* kv, int vofs, const char* path, int type, int flags) {
    if (!hive_may_change(hdesc)) return 0;
    if (!kv || kv->len < 0) return 0;
    const char* name = path ? path : "";
    const int cur = get_val_len(hdesc, vofs, path, flags);
    if (cur == -1) return 0;
    if ((kv->len != cur || kv->len == 0) && !alloc_val_data(hdesc, vofs, path, kv->len, flags)) {
        diag_printf("put_buf2val: %s : alloc_val_data failed!\n", name);
        return 0;
    }
    if (!get_val_data(hdesc, vofs, path, type, flags)) {
        diag_printf("put_buf2val: %s : get_val_data failed!\n", name);
        return 0;
    }
    const PathHit hit = find_path(hdesc, vofs, path, flags | LOOKUP_VALUE);
    const DataRef d = locate_data(hdesc, vk_at(hdesc, hit.cell + 4));
    if (d.len != kv->len) {
        diag_printf("put_buf2val: %s : data does not fit the value\n", name);
        return 0;
    }
    if (d.kind == DataKind::Inline || d.kind == DataKind::Cell) {
        memcpy(d.p, vb_data(kv), static_cast<size_t>(kv->len));
    } else if (d.kind == DataKind::Big) {
        const auto* db = reinterpret_cast<const db_key*>(d.p);
        const int parts = db->no_parts;
        const int list = static_cast<int>(stored_to_cell(db->ofs_list));
        diag_printf("put_buf2val: Long value: parts = %d, list = %x\n", parts, list);
        int done = 0;
        for (int i = 0; i < parts; ++i) {
            const int part = static_cast<int>(stored_to_cell(rd32(hdesc->buffer + list + 4 + 4 * i)));
            const int cap = -rd32(hdesc->buffer + part) - 8;
            const int copy = kv->len - done < cap ? kv->len - done : cap;
            diag_printf("put_buf2val: Datablock %d offset %x, size %x (%d)\n", i, part, cap, cap);
            diag_printf("             : Point = %x, restlen = %x, copylen = %x\n", done, kv->len - done, copy);
            fill_block(hdesc, part, vb_data(kv) + done, copy);
            done += copy;
        }
    } else if (d.kind != DataKind::None) {
        diag_printf("put_buf2val: %s : data of a long value is not a 'db' record\n", name);
        return 0;
    }
    raise_maxima(hdesc, hit.key, hit.name_len, kv->len);
    hdesc->state |= HIVE_DIRTY;
    return kv->len;
}

int put_dword(Hive* hdesc, int vofs, const char* path, int flags, unsigned int dword) {
    ValueBuffer* kv = new_valuebuffer(4);
    memcpy(vb_data(kv), &dword, 4);
    const int r = put_buf2val(hdesc, kv, vofs, path, REG_DWORD, flags);
    free(kv);
    return r;
}

vk_key* add_value(Hive* hdesc, int nkofs, const char* name, int type) {
    if (!hive_may_change(hdesc)) return nullptr;
    if (!name || !*name) return nullptr;
    const nk_key* nk = nk_at(hdesc, nkofs);
    if (!nk) {
        diag_puts("add_value: Key pointer not to 'nk' node!");
        return nullptr;
    }
    // The name may point into the image, which the allocations below move.
    const std::string given = name;
    if (find_value(hdesc, nk, NameQuery(given))) {
        diag_printf("add_value: value %s already exists\n", given.c_str());
        return nullptr;
    }
    const StoredName stored = encode_name(given == "@" ? std::string() : given);
    const int count = nk->no_values > 0 ? nk->no_values : 0;
    const unsigned char* old = count ? list_at(hdesc, stored_to_rec(nk->ofs_vallist), 0, count, 4) : nullptr;
    if (stored.bytes.size() > 0xFFFF || (count && !old)) {
        diag_printf("add_value: value list of key at 0x%x is damaged or the name is too long\n", nkofs);
        return nullptr;
    }
    std::vector<int32_t> entries = copy_entries(old, count);
    const int32_t old_list = nk->ofs_vallist;
    const int list = alloc_block(hdesc, nkofs, (count + 1) * 4);
    if (!list) {
        diag_puts("add_value: failed to allocate new value list!");
        return nullptr;
    }
    const int vk = alloc_block(hdesc, list, static_cast<int>(stored.bytes.size()) + 24);
    if (!vk) {
        diag_puts("add_value: failed to allocate value descriptor");
        free_block(hdesc, list);
        return nullptr;
    }
    auto* v = reinterpret_cast<vk_key*>(hdesc->buffer + vk + 4);
    v->id = ID_VK;
    v->len_name = static_cast<uint16_t>(stored.bytes.size());
    v->len_data = (type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) ? VK_DATA_INLINE | 4 : VK_DATA_INLINE;
    v->ofs_data = 0;
    v->val_type = static_cast<uint32_t>(type);
    v->flag = stored.bytes.empty() || !stored.compressed ? 0 : VK_COMPRESSED_NAME;
    v->dummy1 = 0;
    memcpy(vk_name(v), stored.bytes.data(), stored.bytes.size());
    entries.push_back(cell_to_stored(vk));
    memcpy(hdesc->buffer + list + 4, entries.data(), 4 * entries.size());
    auto* k = reinterpret_cast<nk_key*>(hdesc->buffer + nkofs);
    k->no_values = count + 1;
    k->ofs_vallist = cell_to_stored(list);
    if (count) free_block(hdesc, static_cast<int>(stored_to_cell(old_list)));
    raise_maxima(hdesc, nkofs, given == "@" ? 0 : given.size(), static_cast<int>(v->len_data & ~VK_DATA_INLINE));
    hdesc->state |= HIVE_DIRTY;
    return vk_at(hdesc, vk + 4);
}

void del_vk(Hive* hdesc, int vkofs) {
    if (!hive_may_change(hdesc)) return;
    const vk_key* vk = vk_at(hdesc, vkofs);
    if (!vk) {
        diag_puts("del_vk: Key pointer not to 'vk' node!");
        return;
    }
    if (!(vk->len_data & VK_DATA_INLINE) && vk->ofs_data) free_val_data(hdesc, vkofs);
    free_block(hdesc, vkofs - 4);
}

void del_allvalues(Hive* hdesc, int nkofs) {
    if (!hive_may_change(hdesc)) return;
    const nk_key* nk = nk_at(hdesc, nkofs);
    if (!nk) {
        diag_puts("del_allvalues: Key pointer not to 'nk' node!");
        return;
    }
    if (nk->no_values <= 0) return;
    const int64_t list = stored_to_rec(nk->ofs_vallist);
    const unsigned char* entries = list_at(hdesc, list, 0, nk->no_values, 4);
    if (!entries) {
        diag_printf("del_allvalues: value list of key at 0x%x is damaged\n", nkofs);
        return;
    }
    for (const int32_t e : copy_entries(entries, nk->no_values)) del_vk(hdesc, static_cast<int>(stored_to_rec(e)));
    free_block(hdesc, static_cast<int>(list - 4));
    hdesc->state |= HIVE_DIRTY;
    // In a damaged hive the freed cells may have overlapped the key itself.
    nk_key* k = nk_at(hdesc, nkofs);
    if (!k) {
        diag_printf("del_allvalues: key at 0x%x overlapped its freed values\n", nkofs);
        return;
    }
    k->ofs_vallist = OFS_NONE;
    k->no_values = 0;
}

int del_value(Hive* hdesc, int nkofs, const char* name) {
    if (!hive_may_change(hdesc)) return 1;
    if (!name || !*name) return 1;
    const nk_key* nk = nk_at(hdesc, nkofs);
    if (!nk) {
        diag_puts("del_value: Key pointer not to 'nk' node!");
        return 1;
    }
    if (nk->no_values <= 0) {
        diag_puts("del_value: Key has no values!");
        return 1;
    }
    const std::string given = name;
    const int64_t list = stored_to_rec(nk->ofs_vallist);
    const int count = nk->no_values;
    const unsigned char* old = list_at(hdesc, list, 0, count, 4);
    const int vk = old ? find_value(hdesc, nk, NameQuery(given)) : 0;
    if (!vk) {
        diag_printf("del_value: value %s not found!\n", given.c_str());
        return 1;
    }
    if (hdesc->state & HIVE_NOALLOC) {
        // Nothing may be freed: free_block reports that, and nothing changes.
        free_block(hdesc, vk - 4);
        return 1;
    }
    std::vector<int32_t> entries;
    for (const int32_t e : copy_entries(old, count))
        if (stored_to_rec(e) != vk) entries.push_back(e);
    del_vk(hdesc, vk);
    const int n = static_cast<int>(entries.size());
    if (!free_block(hdesc, static_cast<int>(list - 4))) {
        // The old list could not be freed: it keeps the remaining entries.
        if (n) memcpy(hdesc->buffer + list, entries.data(), 4 * entries.size());
        hdesc->state |= HIVE_DIRTY;
        if (nk_key* k = nk_at(hdesc, nkofs)) {
            k->no_values = n;
            if (!n) k->ofs_vallist = OFS_NONE;
        }
        return 0;
    }
    int32_t newlist = OFS_NONE;
    if (n) {
        const int blk = alloc_block(hdesc, static_cast<int>(list), n * 4);
        if (!blk) {
            diag_puts("del_value: FATAL: Was not able to alloc new index list");
        } else {
            memcpy(hdesc->buffer + blk + 4, entries.data(), 4 * entries.size());
            newlist = cell_to_stored(blk);
        }
    }
    hdesc->state |= HIVE_DIRTY;
    // In a damaged hive the freed cells may have overlapped the key itself.
    nk_key* k = nk_at(hdesc, nkofs);
    if (!k) {
        diag_printf("del_value: key at 0x%x overlapped the freed cells\n", nkofs);
        return 1;
    }
    k->no_values = newlist == OFS_NONE ? 0 : n;
    k->ofs_vallist = newlist;
    return 0;
}
