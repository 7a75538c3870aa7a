#pragma once

// Editing subkey indexes: the lists of a key's index read as entries, put
// in order, and written back. Adding, deleting and renaming keys all change
// indexes through these.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/names.h"
#include "index.h"

namespace hivemend {

// An index list can count at most this many entries.
inline constexpr int kMaxIndexEntries = 0x7FFF;

struct IndexEntry {
    int32_t nk = 0;     // stored offset of the key's cell
    uint32_t hint = 0;  // lf: the first four name bytes; lh: the name's hash; li: none
};

// One list of the index as it is (`leaf`) and its entries as they are to be.
struct IndexList {
    Leaf leaf;
    std::vector<IndexEntry> entries;
};

// A key's index: its one list, or the lists of its ri.
struct KeyIndex {
    uint16_t id = 0;  // id of the index itself (0 when unreadable)
    int ri = 0;       // record offset of the ri, 0 without one
    std::vector<IndexList> lists;
};

// The index of `nk` for editing; false when it is of an unknown kind or a
// list of it cannot be read.
bool read_key_index(const Hive* h, const nk_key* nk, KeyIndex* out);

// The hint (lf) or hash (lh) an entry carries for a stored name.
uint32_t entry_hint(uint16_t id, const StoredName& name);

// The bytes of a list of kind `id` with these entries.
std::vector<unsigned char> list_bytes(uint16_t id, const std::vector<IndexEntry>& entries);

// The room a new list cell of kind `id` gets for `count` entries.
int list_cell_size(uint16_t id, size_t count);

// Where a key of the name belongs in an index kept sorted (the order of
// order_names): before the first key whose name sorts after it, else at
// the end of the last list. `taken` when a key of that name is met first.
// With `whole`, every key is compared, so that the name is found taken
// also in an index that is out of order. `compared` is called with each
// key compared.
struct IndexPlace {
    size_t list = 0;
    size_t slot = 0;
    bool taken = false;
};
IndexPlace sorted_place(const Hive* h, const KeyIndex& index, const StoredName& name, bool whole,
                        const std::function<void(const Leaf&, const nk_key*)>& compared = {});

// Points the key at record offset `key` at `list` (a cell offset) in place
// of its list number `n`: in its ri when it has one, else as its index.
void set_index_list(Hive* h, int key, const KeyIndex& index, size_t n, int list);

// Takes the lists left without entries out of the key's index and frees
// them: an ri is rewritten in place with the lists that keep entries (and
// freed when none does); a key whose one list is empty is left without an
// index.
void drop_empty_lists(Hive* h, int key, const KeyIndex& index);

}  // namespace hivemend
