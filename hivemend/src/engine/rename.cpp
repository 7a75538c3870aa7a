// Renaming a key in place of its old record, keeping the hive consistent:
// parent offsets of its subkeys, the index entry's hint or hash, and the
// sorted order of its parent's index.

#include "engine/rename.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "hivemend/modify.h"
#include "index_edit.h"

namespace hivemend {

bool valid_key_name(const char* name) {
    if (!name || !*name || strchr(name, '\\')) return false;
    // Counted as stored: text that is no UTF-8 is kept byte for byte.
    const StoredName sn = encode_name(name);
    return (sn.compressed ? sn.bytes.size() : sn.bytes.size() / 2) <= 255;
}

int rename_key(Hive* h, int key, const char* name) {
    if (!hive_may_change(h)) return 0;
    const nk_key* nk = nk_at(h, key);
    const int64_t parent = nk ? stored_to_rec(nk->ofs_parent) : 0;
    const nk_key* pnk = nk ? nk_at(h, parent) : nullptr;
    if (!nk || !pnk || key == root_rec(h) || pnk->no_subkeys <= 0) {
        diag_puts("not a nk node.");
        return 0;
    }
    if (!valid_key_name(name)) {
        diag_printf("rename_key: <%s> is not a valid key name\n", name ? name : "");
        return 0;
    }
    const StoredName sn = encode_name(name);
    KeyIndex idx;
    if (!read_key_index(h, pnk, &idx)) {
        diag_printf("rename_key: index of the key's parent at 0x%x is damaged\n", static_cast<int>(parent));
        return 0;
    }
    const int32_t self = cell_to_stored(key - 4);
    size_t from = idx.lists.size();
    for (size_t li = 0; li < idx.lists.size() && from == idx.lists.size(); ++li) {
        std::vector<IndexEntry>& entries = idx.lists[li].entries;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].nk != self) continue;
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
            from = li;
            break;
        }
    }
    if (from == idx.lists.size()) {
        diag_printf("rename_key: key at 0x%x is not in its parent's index\n", key);
        return 0;
    }
    // The new place is the one a new key of the name would get.
    const IndexPlace place = sorted_place(h, idx, sn, true);
    if (place.taken) {
        diag_printf("rename_key: key %s already exists!\n", name);
        return 0;
    }
    IndexList& to = idx.lists[place.list];
    const uint16_t id = to.leaf.id;
    const std::string given = name;

    // Everything is allocated before anything changes, so that a failure
    // leaves the hive as it was.
    const int cell = alloc_block(h, key, static_cast<int>(sn.bytes.size()) + 80);
    if (!cell) {
        diag_printf("rename_key: unable to allocate space for new key descriptor for %s!\n", given.c_str());
        return 0;
    }
    to.entries.insert(to.entries.begin() + static_cast<std::ptrdiff_t>(place.slot),
                      IndexEntry{cell_to_stored(cell), entry_hint(id, sn)});
    const std::vector<unsigned char> bytes = list_bytes(id, to.entries);
    int new_list = 0;
    if (static_cast<int>(bytes.size()) > cell_at(h, to.leaf.rec - 4).data_len()) {
        new_list = alloc_block(h, key, list_cell_size(id, to.entries.size()));
        if (!new_list) {
            diag_printf("rename_key: unable to allocate space for new key descriptor for %s!\n", given.c_str());
            free_block(h, cell);
            return 0;
        }
    }

    auto* fresh = reinterpret_cast<nk_key*>(h->buffer + cell + 4);
    memcpy(fresh, h->buffer + key, sizeof(nk_key));
    fresh->type = static_cast<uint16_t>((fresh->type & ~NK_COMPRESSED_NAME) | (sn.compressed ? NK_COMPRESSED_NAME : 0));
    fresh->len_name = static_cast<uint16_t>(sn.bytes.size());
    memcpy(nk_name(fresh), sn.bytes.data(), sn.bytes.size());
    const int32_t fresh_stored = cell_to_stored(cell);
    for_each_leaf(
        h, fresh,
        [&](const Leaf& l) {
            for (int i = 0; i < l.count; ++i)
                if (nk_key* child = nk_stored(h, l.nk(i))) child->ofs_parent = fresh_stored;
            return true;
        },
        [](int) { return true; });

    if (new_list) {
        memcpy(h->buffer + new_list + 4, bytes.data(), bytes.size());
        free_block(h, to.leaf.rec - 4);
        to.leaf.rec = new_list + 4;
        set_index_list(h, static_cast<int>(parent), idx, place.list, new_list);
    } else {
        memcpy(h->buffer + to.leaf.rec, bytes.data(), bytes.size());
    }
    if (from != place.list) {
        const IndexList& left = idx.lists[from];
        const std::vector<unsigned char> rest = list_bytes(left.leaf.id, left.entries);
        memcpy(h->buffer + left.leaf.rec, rest.data(), rest.size());
    }
    drop_empty_lists(h, static_cast<int>(parent), idx);
    free_block(h, key - 4);
    h->state |= HIVE_DIRTY;
    return cell + 4;
}

}  // namespace hivemend
