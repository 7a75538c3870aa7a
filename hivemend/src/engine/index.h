#pragma once

// Reading subkey indexes: an "li", "lf" or "lh" list of keys, or an "ri"
// list of such lists. The leaves of an ri are never ri themselves, which
// keeps every walk of an index flat and finite.

#include <cstdint>

#include "engine/image.h"

namespace hivemend {

// One list of keys, checked to fit its cell.
struct Leaf {
    int rec = 0;      // record offset
    uint16_t id = 0;  // ID_LI, ID_LF or ID_LH
    int count = 0;    // entries
    unsigned char* entries = nullptr;
    int entry_size() const { return id == ID_LI ? 4 : 8; }
    // Stored offset of the nk of entry i.
    int32_t nk(int i) const { return rd32(entries + static_cast<int64_t>(i) * entry_size()); }
};

// The list at record offset `rec`; false when it is no li/lf/lh or does not fit.
bool leaf_at(const Hive* h, int64_t rec, Leaf* out);

// The id of the index at record offset `rec` (0 when unreadable).
uint16_t index_id(const Hive* h, int64_t rec);

// Entries of an ri at record offset `rec`: stored offsets of its leaves.
struct RiList {
    int rec = 0;
    int count = 0;
    unsigned char* entries = nullptr;
    int32_t leaf(int i) const { return rd32(entries + static_cast<int64_t>(i) * 4); }
};
bool ri_at(const Hive* h, int64_t rec, RiList* out);

// Calls leaf(const Leaf&) for each readable list of the index of `nk` in
// order, and bad(int record offset) for each list that cannot be read;
// either returns false to stop. False when the index itself is unreadable.
template <class LeafFn, class BadFn>
bool for_each_leaf(const Hive* h, const nk_key* nk, LeafFn&& leaf, BadFn&& bad) {
    const int64_t rec = stored_to_rec(nk->ofs_lf);
    Leaf l;
    if (leaf_at(h, rec, &l)) {
        leaf(l);
        return true;
    }
    RiList ri;
    if (!ri_at(h, rec, &ri)) return false;
    for (int i = 0; i < ri.count; ++i) {
        const int64_t sub = stored_to_rec(ri.leaf(i));
        if (leaf_at(h, sub, &l) ? !leaf(l) : !bad(static_cast<int>(sub))) break;
    }
    return true;
}

}  // namespace hivemend
