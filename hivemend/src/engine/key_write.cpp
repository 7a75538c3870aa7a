// Adding and deleting keys, keeping their parents' subkey indexes sorted.

#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "hivemend/lookup.h"
#include "hivemend/modify.h"
#include "index_edit.h"
#include "security.h"

using namespace hivemend;

namespace {

std::string_view stored_name(const nk_key* nk) { return {nk_name(nk), nk->len_name}; }

// Adds key `name` below `parent`; the new key's record offset, or 0 with
// `*err` set as add_subkey reports it.
int insert_key(Hive* h, int parent, const std::string& name, int* err) {
    const nk_key* nk = nk_at(h, parent);
    if (!nk) {
        diag_puts("add_key: current ptr not 'nk'");
        *err = 1;
        return 0;
    }
    const StoredName sn = encode_name(name);
    if (name.empty() || sn.bytes.size() > 0xFFFF) return 0;
    if (nk->no_subkeys == INT_MAX) {
        diag_printf("add_key: subkey count of key at 0x%x is damaged\n", parent);
        return 0;
    }
    // The new key shares its parent's security record, which counts it.
    const sk_key* sk = sk_stored(h, nk->ofs_sk);
    if (!sk || sk->no_usage < 0 || sk->no_usage == INT_MAX) {
        diag_printf("add_key: security record of key at 0x%x is damaged, %s not added\n", parent, name.c_str());
        return 0;
    }
    KeyIndex idx;
    uint16_t id = static_cast<uint16_t>(h->nkindextype ? h->nkindextype : ID_LF);
    IndexPlace place;
    std::vector<IndexEntry> entries;
    if (nk->no_subkeys > 0) {
        if (!read_key_index(h, nk, &idx)) {
            diag_printf("add_key: index type not supported: 0x%04x\n", idx.id);
            return 0;
        }
        if (idx.lists.empty()) {
            diag_printf("add_key: index of key at 0x%x holds no list\n", parent);
            return 0;
        }
        place = sorted_place(h, idx, sn, false, [&](const Leaf& l, const nk_key* sub) {
            if (l.id == ID_LI)
                diag_printf("add_key: cmp <%s> with <%.*s>\n", name.c_str(), sub->len_name, nk_name(sub));
        });
        if (place.taken) {
            diag_printf("add_key: key %s already exists!\n", name.c_str());
            *err = 2;
            return 0;
        }
        const Leaf& l = idx.lists[place.list].leaf;
        if (l.count >= kMaxIndexEntries) {
            diag_printf("add_key: index list of key at 0x%x is full (%d entries), %s not added\n", parent, l.count,
                        name.c_str());
            return 0;
        }
        id = l.id;
        entries = idx.lists[place.list].entries;
    }
    const int32_t old_list = nk->no_subkeys > 0 ? cell_to_stored(idx.lists[place.list].leaf.rec - 4) : OFS_NONE;
    const int cell = alloc_block(h, parent, static_cast<int>(sn.bytes.size()) + 80);
    if (!cell) {
        diag_printf("add_key: unable to allocate space for new key descriptor for %s!\n", name.c_str());
        return 0;
    }
    auto* k = reinterpret_cast<nk_key*>(h->buffer + cell + 4);
    const nk_key* p = nk_at(h, parent);
    k->id = ID_NK;
    k->type = sn.compressed ? NK_COMPRESSED_NAME : 0;
    k->ofs_parent = cell_to_stored(parent - 4);
    k->ofs_lf = OFS_NONE;
    k->ofs_vallist = OFS_NONE;
    k->ofs_sk = p->ofs_sk;
    k->ofs_classnam = OFS_NONE;
    k->len_name = static_cast<uint16_t>(sn.bytes.size());
    memcpy(nk_name(k), sn.bytes.data(), sn.bytes.size());
    entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(place.slot),
                   {cell_to_stored(cell), entry_hint(id, sn)});
    const std::vector<unsigned char> list = list_bytes(id, entries);
    const int blk = alloc_block(h, parent, list_cell_size(id, entries.size()));
    if (!blk) {
        diag_printf("add_key: unable to allocate space for new index table for %s!\n", name.c_str());
        free_block(h, cell);
        return 0;
    }
    fill_block(h, blk, list.data(), static_cast<int>(list.size()));
    auto* pw = reinterpret_cast<nk_key*>(h->buffer + parent);
    sk_acquire(h, pw->ofs_sk);
    pw->no_subkeys += 1;
    set_index_list(h, parent, idx, place.list, blk);
    if (old_list != OFS_NONE) free_block(h, static_cast<int>(stored_to_cell(old_list)));
    h->state |= HIVE_DIRTY;
    return cell + 4;
}

// Whether a stored key name is the one del_key looks for: the name as given
// or as it would be stored, case-insensitively in li lists, byte for byte in
// lf and lh lists.
bool entry_is(uint16_t id, const nk_key* sub, std::string_view given, const StoredName& encoded) {
    const std::string_view stored = stored_name(sub);
    const auto same = [&](std::string_view form) {
        return form.size() == stored.size() && (id == ID_LI ? casefold_equal(stored.data(), form.data(), form.size())
                                                            : memcmp(stored.data(), form.data(), form.size()) == 0);
    };
    return same(given) ||
           (encoded.compressed == static_cast<bool>(sub->type & NK_COMPRESSED_NAME) && same(encoded.bytes));
}

// Unlinks and frees subkey `name` of `parent`, or the subkey whose record
// offset is `target` when that is given; 0 = done, 1 = failure with nothing
// changed.
int unlink_key(Hive* h, int parent, std::string_view name, int target) {
    const nk_key* nk = nk_at(h, parent);
    if (!nk) {
        diag_puts("add_key: current ptr not nk");
        return 1;
    }
    if (nk->no_subkeys <= 0) {
        diag_puts("del_key: key has no subkeys!");
        return 1;
    }
    KeyIndex idx;
    if (!read_key_index(h, nk, &idx)) {
        diag_printf("del_key: index other than 'lf', 'li' or 'lh' not supported yet. 0x%04x\n", idx.id);
        return 1;
    }
    const StoredName encoded = encode_name(name);
    size_t from = idx.lists.size();
    size_t entry = 0;
    for (size_t li = 0; li < idx.lists.size() && from == idx.lists.size(); ++li) {
        const IndexList& l = idx.lists[li];
        for (size_t i = 0; i < l.entries.size(); ++i) {
            const nk_key* sub = nk_stored(h, l.entries[i].nk);
            if (sub && (target ? rec_ofs(h, sub) == target : entry_is(l.leaf.id, sub, name, encoded))) {
                from = li;
                entry = i;
                break;
            }
        }
    }
    if (from == idx.lists.size()) {
        diag_printf("del_key: subkey %.*s not found!\n", static_cast<int>(name.size()), name.data());
        return 1;
    }
    IndexList& list = idx.lists[from];
    const int sub = static_cast<int>(stored_to_rec(list.entries[entry].nk));
    list.entries.erase(list.entries.begin() + static_cast<std::ptrdiff_t>(entry));
    // What is needed of the subkey's record is read now: in a damaged hive
    // the cells allocated and freed below may overlap it.
    const nk_key* s = nk_at(h, sub);
    const int32_t class_name = s->len_classnam ? s->ofs_classnam : OFS_NONE;
    const int32_t security = s->ofs_sk;
    // Everything the change needs is allocated before anything is freed, so
    // that a failure leaves the hive as it was.
    int newlist = 0;
    if (!list.entries.empty()) {
        const std::vector<unsigned char> bytes = list_bytes(list.leaf.id, list.entries);
        newlist = alloc_block(h, parent, list_cell_size(list.leaf.id, list.entries.size()));
        if (!newlist) {
            diag_printf("del_key: WARNING: unable to allocate space for new key descriptor for %.*s! Not deleted\n",
                        static_cast<int>(name.size()), name.data());
            return 1;
        }
        fill_block(h, newlist, bytes.data(), static_cast<int>(bytes.size()));
    }
    if (class_name != OFS_NONE) free_block(h, static_cast<int>(stored_to_cell(class_name)));
    free_block(h, sub - 4);
    sk_release(h, security);
    nk_key* p = nk_at(h, parent);
    if (!p) {
        diag_printf("del_key: key at 0x%x overlapped the freed cells, its index is left as it is\n", parent);
        return 1;
    }
    p->no_subkeys -= 1;
    if (newlist) {
        free_block(h, list.leaf.rec - 4);
        set_index_list(h, parent, idx, from, newlist);
    } else {
        if (idx.ri && (h->state & HIVE_VERBOSE)) {
            char path[4096] = "";
            get_abs_path(h, parent, path, sizeof path);
            diag_printf("del_key: need to delete ri-slot %d for %x - %s\n", static_cast<int>(from), parent, path);
        }
        drop_empty_lists(h, parent, idx);
        if (idx.ri && nk_at(h, parent)->ofs_lf == OFS_NONE && (h->state & HIVE_VERBOSE))
            diag_puts("del_key: .. and that was the last one. key now empty!");
    }
    h->state |= HIVE_DIRTY;
    return 0;
}

// The subkeys of a key as (stored name, record offset), or false when its
// index cannot be read.
bool list_children(const Hive* h, const nk_key* nk, std::vector<std::pair<std::string, int>>* out) {
    if (nk->no_subkeys <= 0) return true;
    KeyIndex idx;
    if (!read_key_index(h, nk, &idx)) return false;
    for (const IndexList& l : idx.lists) {
        for (const IndexEntry& e : l.entries) {
            const nk_key* sub = nk_stored(h, e.nk);
            if (!sub) return false;
            out->emplace_back(std::string(stored_name(sub)), rec_ofs(h, sub));
        }
    }
    return true;
}

}  // namespace

nk_key* add_key(Hive* hdesc, int nkofs, const char* name) {
    if (!hive_may_change(hdesc)) return nullptr;
    int err = 0;
    const int rec = name ? insert_key(hdesc, nkofs, name, &err) : 0;
    return rec ? nk_at(hdesc, rec) : nullptr;
}

int add_subkey(Hive* hdesc, int nkofs, const char* name, int* err) {
    if (!hive_may_change(hdesc)) return 0;
    int e = 0;
    const int rec = name ? insert_key(hdesc, nkofs, name, &e) : 0;
    if (e && err) *err = e;
    return rec;
}

int del_key(Hive* hdesc, int nkofs, const char* name) {
    if (!hive_may_change(hdesc)) return 1;
    return name ? unlink_key(hdesc, nkofs, name, 0) : 1;
}

int rdel_keys(Hive* hdesc, const char* path, int vofs, int cell) {
    if (!hive_may_change(hdesc)) return 0;
    if (!path || !*path) return 0;
    if (!cell) {
        cell = trav_path(hdesc, vofs, path, LOOKUP_EXACT);
        if (!cell) {
            diag_printf("rdel_keys: Key <%s> not found\n", path);
            return 0;
        }
    }
    const nk_key* top = nk_at(hdesc, cell + 4);
    if (!top) {
        diag_puts("Error: Not a 'nk' node!");
        return 0;
    }
    const int parent = vofs ? vofs : root_rec(hdesc);
    if (cell + 4 == root_rec(hdesc) || stored_to_rec(top->ofs_parent) != parent) {
        diag_printf("rdel_keys: Key <%s> is not a subkey of the key at 0x%x\n", path, parent);
        return 0;
    }
    // Depth first without recursion; a key met twice on the way down means
    // a looping index, and the walk stops before anything of it is freed.
    struct Frame {
        int key;
        int parent;
        std::string name;
        std::vector<std::pair<std::string, int>> kids;
        size_t next;
    };
    std::vector<Frame> stack;
    std::set<int> on_path;
    const auto enter = [&](int key, int par, std::string name) {
        const nk_key* nk = nk_at(hdesc, key);
        Frame f{key, par, std::move(name), {}, 0};
        if (!nk) {
            diag_puts("Error: Not a 'nk' node!");
            return false;
        }
        if (!on_path.insert(key).second || !list_children(hdesc, nk, &f.kids)) {
            diag_printf("rdel_keys: subkeys of key at 0x%x are damaged, not deleted\n", key);
            return false;
        }
        stack.push_back(std::move(f));
        return true;
    };
    if (!enter(cell + 4, parent, std::string(stored_name(top)))) return 0;
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next < f.kids.size()) {
            const auto& [name, key] = f.kids[f.next++];
            if (!enter(key, f.key, name)) return 0;
            continue;
        }
        del_allvalues(hdesc, f.key);
        if (unlink_key(hdesc, f.parent, f.name, f.key) != 0) return 0;
        on_path.erase(f.key);
        stack.pop_back();
    }
    return 1;
}
