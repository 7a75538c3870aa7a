#include "index_edit.h"

#include <cstring>

#include "hivemend/modify.h"

namespace hivemend {

namespace {

std::string_view stored_name(const nk_key* nk) { return {nk_name(nk), nk->len_name}; }

size_t entry_size(uint16_t id) { return id == ID_LI || id == ID_RI ? 4 : 8; }

IndexList editable(const Leaf& leaf) {
    IndexList list{leaf, {}};
    for (int i = 0; i < leaf.count; ++i)
        list.entries.push_back(
            {leaf.nk(i), leaf.entry_size() == 8 ? static_cast<uint32_t>(rd32(leaf.entries + 8 * i + 4)) : 0});
    return list;
}

}  // namespace

bool read_key_index(const Hive* h, const nk_key* nk, KeyIndex* out) {
    const int64_t rec = stored_to_rec(nk->ofs_lf);
    out->id = index_id(h, rec);
    Leaf l;
    if (out->id == ID_RI) {
        RiList ri;
        if (!ri_at(h, rec, &ri)) return false;
        out->ri = ri.rec;
        for (int i = 0; i < ri.count; ++i) {
            if (!leaf_at(h, stored_to_rec(ri.leaf(i)), &l)) return false;
            out->lists.push_back(editable(l));
        }
        return true;
    }
    if (!leaf_at(h, rec, &l)) return false;
    out->lists.push_back(editable(l));
    return true;
}

uint32_t entry_hint(uint16_t id, const StoredName& name) {
    if (id == ID_LI) return 0;
    return id == ID_LH ? name_hash(name.bytes, name.compressed) : name_hint(name.bytes, name.compressed);
}

std::vector<unsigned char> list_bytes(uint16_t id, const std::vector<IndexEntry>& entries) {
    const size_t esize = entry_size(id);
    std::vector<unsigned char> out(4 + esize * entries.size());
    const auto n = static_cast<uint16_t>(entries.size());
    memcpy(out.data(), &id, 2);
    memcpy(out.data() + 2, &n, 2);
    for (size_t i = 0; i < entries.size(); ++i) {
        memcpy(out.data() + 4 + esize * i, &entries[i].nk, 4);
        if (esize == 8) memcpy(out.data() + 8 + esize * i, &entries[i].hint, 4);
    }
    return out;
}

int list_cell_size(uint16_t id, size_t count) { return static_cast<int>(8 + entry_size(id) * count); }

IndexPlace sorted_place(const Hive* h, const KeyIndex& index, const StoredName& name, bool whole,
                        const std::function<void(const Leaf&, const nk_key*)>& compared) {
    if (index.lists.empty()) return {};
    IndexPlace place{index.lists.size() - 1, index.lists.back().entries.size(), false};
    bool placed = false;
    for (size_t li = 0; li < index.lists.size(); ++li) {
        const IndexList& list = index.lists[li];
        for (size_t i = 0; i < list.entries.size(); ++i) {
            const nk_key* sub = nk_stored(h, list.entries[i].nk);
            if (!sub) continue;
            if (compared) compared(list.leaf, sub);
            const int cmp = order_names(name.bytes, name.compressed, stored_name(sub), sub->type & NK_COMPRESSED_NAME);
            if (cmp == 0) return {li, i, true};
            if (cmp < 0 && !placed) {
                place = {li, i, false};
                placed = true;
                if (!whole) return place;
            }
        }
    }
    return place;
}

void set_index_list(Hive* h, int key, const KeyIndex& index, size_t n, int list) {
    if (index.ri) {
        wr32(h->buffer + index.ri + 4 + 4 * static_cast<int64_t>(n), cell_to_stored(list));
    } else {
        reinterpret_cast<nk_key*>(h->buffer + key)->ofs_lf = cell_to_stored(list);
    }
}

void drop_empty_lists(Hive* h, int key, const KeyIndex& index) {
    std::vector<IndexEntry> kept;
    std::vector<int> emptied;
    for (const IndexList& list : index.lists) {
        if (list.entries.empty()) {
            emptied.push_back(list.leaf.rec - 4);
        } else {
            kept.push_back({cell_to_stored(list.leaf.rec - 4), 0});
        }
    }
    if (emptied.empty()) return;
    if (!kept.empty()) {
        // Fewer entries than before: the ri's cell holds them.
        const std::vector<unsigned char> ri = list_bytes(ID_RI, kept);
        memcpy(h->buffer + index.ri, ri.data(), ri.size());
    } else {
        if (index.ri) free_block(h, index.ri - 4);
        reinterpret_cast<nk_key*>(h->buffer + key)->ofs_lf = OFS_NONE;
    }
    for (const int cell : emptied) free_block(h, cell);
    h->state |= HIVE_DIRTY;
}

}  // namespace hivemend
