// Renaming a key in place of its old record, keeping the hive consistent:
// parent offsets of its subkeys, the index entry's hint or hash, and the
// sorted order of its parent's index.

#include "rename.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "diag.h"
#include "hivemend/modify.h"
#include "image.h"
#include "index.h"
#include "names.h"

namespace hivemend {

namespace {

struct Entry {
    int32_t nk;
    uint32_t hint;
};

// One list of the parent's index as it is and as it will be.
struct List {
    Leaf leaf;
    std::vector<Entry> entries;
};

std::string_view stored_name(const nk_key* nk) { return {nk_name(nk), nk->len_name}; }

bool read_lists(const Hive* h, const nk_key* parent, std::vector<List>* lists, int* ri) {
    const int64_t rec = stored_to_rec(parent->ofs_lf);
    Leaf l;
    std::vector<Leaf> leaves;
    if (leaf_at(h, rec, &l)) {
        leaves.push_back(l);
    } else {
        RiList r;
        if (!ri_at(h, rec, &r)) return false;
        *ri = r.rec;
        for (int i = 0; i < r.count; ++i) {
            if (!leaf_at(h, stored_to_rec(r.leaf(i)), &l)) return false;
            leaves.push_back(l);
        }
    }
    for (const Leaf& leaf : leaves) {
        List list{leaf, {}};
        for (int i = 0; i < leaf.count; ++i)
            list.entries.push_back(
                {leaf.nk(i), leaf.entry_size() == 8 ? static_cast<uint32_t>(rd32(leaf.entries + 8 * i + 4)) : 0});
        lists->push_back(list);
    }
    return true;
}

int list_bytes(uint16_t id, size_t count) { return static_cast<int>(4 + (id == ID_LI ? 4 : 8) * count); }

void write_list(Hive* h, int rec, uint16_t id, const std::vector<Entry>& entries) {
    unsigned char* p = h->buffer + rec;
    const auto n = static_cast<uint16_t>(entries.size());
    memcpy(p, &id, 2);
    memcpy(p + 2, &n, 2);
    const size_t esize = id == ID_LI ? 4 : 8;
    for (size_t i = 0; i < entries.size(); ++i) {
        memcpy(p + 4 + esize * i, &entries[i].nk, 4);
        if (esize == 8) memcpy(p + 8 + esize * i, &entries[i].hint, 4);
    }
}

}  // namespace

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
    std::vector<List> lists;
    int ri = 0;
    if (!read_lists(h, pnk, &lists, &ri)) {
        diag_printf("rename_key: index of the key's parent at 0x%x is damaged\n", static_cast<int>(parent));
        return 0;
    }
    const int32_t self = cell_to_stored(key - 4);
    size_t from = lists.size();
    size_t at = 0;
    for (size_t li = 0; li < lists.size() && from == lists.size(); ++li)
        for (size_t i = 0; i < lists[li].entries.size(); ++i)
            if (lists[li].entries[i].nk == self) {
                from = li;
                at = i;
                break;
            }
    if (from == lists.size()) {
        diag_printf("rename_key: key at 0x%x is not in its parent's index\n", key);
        return 0;
    }
    lists[from].entries.erase(lists[from].entries.begin() + static_cast<std::ptrdiff_t>(at));
    // The new place: before the first sibling whose name sorts after the new
    // one, else at the end of the last list, as new keys are placed.
    size_t to = lists.size() - 1;
    size_t slot = lists.back().entries.size();
    bool placed = false;
    for (size_t li = 0; li < lists.size(); ++li) {
        for (size_t i = 0; i < lists[li].entries.size(); ++i) {
            const nk_key* sib = nk_stored(h, lists[li].entries[i].nk);
            if (!sib) continue;
            const int cmp = order_names(sn.bytes, sn.compressed, stored_name(sib), sib->type & NK_COMPRESSED_NAME);
            if (cmp == 0) {
                diag_printf("rename_key: key %s already exists!\n", name);
                return 0;
            }
            if (cmp < 0 && !placed) {
                to = li;
                slot = i;
                placed = true;
            }
        }
    }
    const uint16_t id = lists[to].leaf.id;
    const uint32_t hint = id == ID_LH   ? name_hash(sn.bytes, sn.compressed)
                          : id == ID_LF ? name_hint(sn.bytes, sn.compressed)
                                        : 0;
    const std::string given = name;

    // Everything is allocated before anything changes, so that a failure
    // leaves the hive as it was.
    const int cell = alloc_block(h, key, static_cast<int>(sn.bytes.size()) + 80);
    if (!cell) {
        diag_printf("rename_key: unable to allocate space for new key descriptor for %s!\n", given.c_str());
        return 0;
    }
    lists[to].entries.insert(lists[to].entries.begin() + static_cast<std::ptrdiff_t>(slot),
                             Entry{cell_to_stored(cell), hint});
    const Cell target_cell = cell_at(h, lists[to].leaf.rec - 4);
    int new_target = 0;
    if (list_bytes(id, lists[to].entries.size()) > target_cell.data_len()) {
        new_target = alloc_block(h, key, list_bytes(id, lists[to].entries.size()));
        if (!new_target) {
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

    if (new_target) {
        write_list(h, new_target + 4, id, lists[to].entries);
        const int old = lists[to].leaf.rec;
        lists[to].leaf.rec = new_target + 4;
        free_block(h, old - 4);
    } else {
        write_list(h, lists[to].leaf.rec, id, lists[to].entries);
    }
    if (from != to) write_list(h, lists[from].leaf.rec, lists[from].leaf.id, lists[from].entries);

    auto* p = nk_at(h, parent);
    if (!ri) {
        p->ofs_lf = cell_to_stored(lists[0].leaf.rec - 4);
    } else {
        // Lists left empty leave the ri; the ri only shrinks, in place.
        std::vector<int32_t> slots;
        std::vector<int> emptied;
        for (const List& l : lists) {
            if (l.entries.empty()) {
                emptied.push_back(l.leaf.rec - 4);
            } else {
                slots.push_back(cell_to_stored(l.leaf.rec - 4));
            }
        }
        unsigned char* r = h->buffer + ri;
        const auto n = static_cast<uint16_t>(slots.size());
        memcpy(r + 2, &n, 2);
        memcpy(r + 4, slots.data(), 4 * slots.size());
        for (const int c : emptied) free_block(h, c);
    }
    free_block(h, key - 4);
    h->state |= HIVE_DIRTY;
    return cell + 4;
}

}  // namespace hivemend
