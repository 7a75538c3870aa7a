#pragma once

// The hbin pages of a loaded hive and an index of their free space, so that
// first-fit allocation finds the same cell as a scan of every page from the
// start without rescanning them.

#include <cstdint>
#include <vector>

#include "engine/image.h"

struct HivePages {
    std::vector<int> start;    // file offset of each page, ascending
    std::vector<int> len;      // its length
    std::vector<int> maxfree;  // length of its largest reachable free cell
    std::vector<int> tree;     // max-tree over maxfree, leaves at [cap, 2 cap)
    int cap = 0;
};

namespace hivemend {

// How a walk over the cells of one page ended.
enum class CellWalk { End, ZeroSize, Overrun };

// Calls f(cell offset, size field) for each cell of the page in order until f
// returns false, the page ends, or a cell is damaged (size 0, or running past
// the page end); `*stop` receives the offset where the walk stopped.
template <class F>
CellWalk walk_cells(const Hive* h, int page, int plen, int* stop, F&& f) {
    const int64_t end = static_cast<int64_t>(page) + plen;
    int64_t c = static_cast<int64_t>(page) + HBIN_HEADER;
    while (c < end) {
        *stop = static_cast<int>(c);
        const unsigned char* p = hbin_bytes(h, c, 4);
        if (!p || c + 4 > end) return CellWalk::Overrun;
        const int32_t size = rd32(p);
        if (size == 0) return CellWalk::ZeroSize;
        const int64_t clen = size < 0 ? -static_cast<int64_t>(size) : size;
        if (c + clen > end || !hbin_bytes(h, c, clen)) return CellWalk::Overrun;
        if (!f(static_cast<int>(c), size)) return CellWalk::End;
        c += clen;
    }
    *stop = static_cast<int>(c);
    return CellWalk::End;
}

void pages_clear(Hive* h);
void pages_add(Hive* h, int start, int len);
// Recomputes the free space of the page that holds `ofs`.
void pages_refresh(Hive* h, int ofs);
// Index of the page holding file offset `ofs`, -1 when none.
int pages_find(const Hive* h, int ofs);
// Index of the first page with a free cell of at least `size` bytes, -1 when none.
int pages_first_fit(const Hive* h, int size);

}  // namespace hivemend
