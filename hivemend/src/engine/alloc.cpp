// Cells and pages: first-fit allocation, freeing with merges, growth by new
// hbin pages at the end of the hive.

#include <climits>
#include <cstdio>
#include <cstring>

#include "engine/diag.h"
#include "engine/image.h"
#include "hivemend/modify.h"
#include "memory.h"
#include "pages.h"

using namespace hivemend;

namespace {

// Largest request that still leaves the image below 2 GiB once a page and a
// buffer step are added.
constexpr int kMaxRequest = 0x40000000;

void count_cell(Hive* h, int len, bool used, int sign) {
    if (used) {
        h->useblk += sign;
        h->usetot += sign * len;
    } else {
        h->unuseblk += sign;
        h->unusetot += sign * len;
    }
}

}  // namespace

int find_page_start(Hive* hdesc, int ofs) {
    const int i = pages_find(hdesc, ofs);
    return i < 0 ? 0 : hdesc->index->start[static_cast<size_t>(i)];
}

int find_free_blk(Hive* hdesc, int pofs, int size) {
    const int i = pages_find(hdesc, pofs);
    if (i < 0) return 0;
    const HivePages& p = *hdesc->index;
    const int page = p.start[static_cast<size_t>(i)];
    const int plen = p.len[static_cast<size_t>(i)];
    if (plen <= HBIN_HEADER || p.maxfree[static_cast<size_t>(i)] < size) return 0;
    int found = 0;
    int stop = 0;
    const CellWalk end = walk_cells(hdesc, page, plen, &stop, [&](int cell, int32_t csize) {
        if (csize > 0 && csize >= size) found = cell;
        return !found;
    });
    if (!found && end == CellWalk::ZeroSize) {
        diag_puts("find_free_blk: FATAL! Zero data block size! (not registry or corrupt file?)");
        diag_printf("             : Block at offset %0x\n", stop);
        if (stop == page + plen - 4) diag_puts("find_free_blk: at exact end of hbin, do not care..");
    }
    return found;
}

int find_free(Hive* hdesc, int size) {
    if (hdesc->endofs <= HBIN_START || !hdesc->index) return 0;
    size = (size + 7) & ~7;
    const int i = pages_first_fit(hdesc, size);
    return i < 0 ? 0 : find_free_blk(hdesc, hdesc->index->start[static_cast<size_t>(i)], size);
}

int add_bin(Hive* hdesc, int size) {
    if (!hive_may_change(hdesc)) return 0;
    if (hdesc->state & HIVE_NOEXPAND) {
        diag_eprintf(
            "ERROR: Registry hive <%s> need to be expanded,\nbut that is not allowed according to selected "
            "options. Operations will fail.\n",
            hdesc->filename);
        return 0;
    }
    if (hdesc->endofs < HBIN_START || !hdesc->index || size < 0 || size > kMaxRequest) {
        diag_printf("add_bin: hive <%s> cannot grow by %d bytes\n", hdesc->filename, size);
        return 0;
    }
    if (hdesc->endofs > hdesc->size) {
        // The base block claims more data than the file holds: growing at
        // that end would make a damaged hive gigabytes long.
        diag_printf("add_bin: hive <%s> data size 0x%x is past its end 0x%x, not expanded\n", hdesc->filename,
                    hdesc->endofs - HBIN_START, hdesc->size);
        return 0;
    }
    const int r = ((size + 36) & ~0xFFF) + 4096;
    diag_printf("add_bin: request size = %d [%x], rounded to %d [%x]\n", size, size, r, r);
    diag_printf("add_bin: old buffer size = %d [%x]\n", hdesc->size, hdesc->size);
    diag_printf("add_bin: firs nonbin off = %d [%x]\n", hdesc->endofs, hdesc->endofs);
    diag_printf("add_bin: free at end     = %d [%x]\n", hdesc->size - hdesc->endofs, hdesc->size - hdesc->endofs);
    const int64_t newend = static_cast<int64_t>(hdesc->endofs) + r;
    if (newend > INT_MAX - 0x40000) {
        diag_printf("add_bin: hive <%s> would grow past 2 GiB\n", hdesc->filename);
        return 0;
    }
    if (newend >= hdesc->size) {
        const int newsize = static_cast<int>((newend & ~0x3FFFF) + 0x40000);
        hdesc->buffer = image_grow(hdesc->buffer, static_cast<size_t>(hdesc->size), static_cast<size_t>(newsize));
        memset(hdesc->buffer + hdesc->size, 0, static_cast<size_t>(newsize - hdesc->size));
        hdesc->size = newsize;
        diag_printf("add_bin: new buffer size = %d [%x]\n", newsize, newsize);
    }
    const int page = hdesc->endofs;
    unsigned char* p = hdesc->buffer + page;
    memset(p, 0, static_cast<size_t>(r));
    wr32(p, HBIN_SIGNATURE);
    wr32(p + HBIN_OFS_SELF, page - HBIN_START);
    wr32(p + HBIN_OFS_NEXT, r);
    wr32(p + HBIN_HEADER, r - HBIN_HEADER);
    const int datasize = static_cast<int>(newend) - HBIN_START;
    wr32(hdesc->buffer + REGF_DATA_SIZE, datasize);
    diag_printf("add_bin: adjusting size field in REGF: %d [%x]\n", datasize, datasize);
    hdesc->state |= HIVE_DIRTY | HIVE_EXPANDED;
    hdesc->endofs = static_cast<int>(newend);
    hdesc->lastbin = page;
    hdesc->pages++;
    count_cell(hdesc, r - HBIN_HEADER, false, 1);
    pages_add(hdesc, page, r);
    return page + HBIN_HEADER;
}

int alloc_block(Hive* hdesc, int ofs, int size) {
    if (!hive_may_change(hdesc)) return 0;
    if (hdesc->state & HIVE_NOALLOC) {
        diag_printf(
            "\nERROR: alloc_block: Hive <%s> is in no allocation safe mode,new space not allocated. Operation "
            "will fail!\n",
            hdesc->filename);
        return 0;
    }
    if (size < 0 || size > kMaxRequest) {
        diag_printf("alloc_block: cannot allocate %d bytes\n", size);
        return 0;
    }
    int need = (size + 4 + 7) & ~7;
    int blk = 0;
    for (;;) {
        if (ofs) {
            const int page = find_page_start(hdesc, ofs);
            if (page) blk = find_free_blk(hdesc, page, need);
        }
        if (!blk) blk = find_free(hdesc, need);
        if (blk) break;
        diag_printf("alloc_block: failed to alloc %d bytes, trying to expand hive..\n", need);
        ofs = add_bin(hdesc, need);
        if (!ofs) return 0;
    }
    unsigned char* p = hdesc->buffer + blk;
    const int len = rd32(p);
    int rest = len - need;
    // A remainder too small to hold a cell goes with the new one.
    if (rest < 8) {
        need = len;
        rest = 0;
    }
    wr32(p, -need);
    if (rest) wr32(p + need, rest);
    memset(p + 4, 0, static_cast<size_t>(need - 4));
    count_cell(hdesc, len, false, -1);
    count_cell(hdesc, need, true, 1);
    if (rest) count_cell(hdesc, rest, false, 1);
    hdesc->state |= HIVE_DIRTY;
    pages_refresh(hdesc, blk);
    return blk;
}

int free_block(Hive* hdesc, int blk) {
    if (!hive_may_change(hdesc)) return 0;
    if (hdesc->state & HIVE_NOALLOC) {
        diag_printf("free_block: ERROR: Hive %s is in no allocation safe mode,space not freed. Operation will fail!\n",
                    hdesc->filename);
        return 0;
    }
    const unsigned char* sp = hbin_bytes(hdesc, blk, 4);
    if (!sp) return 0;
    const int32_t size = rd32(sp);
    if (size >= 0) {
        diag_puts("free_block: trying to free already free block!");
        diag_printf("blk = %x\n", blk);
        return 0;
    }
    const int pi = pages_find(hdesc, blk);
    if (pi < 0) return 0;
    const int page = hdesc->index->start[static_cast<size_t>(pi)];
    const int64_t end = static_cast<int64_t>(page) + hdesc->index->len[static_cast<size_t>(pi)];
    int prev = 0;
    bool found = blk == page + HBIN_HEADER;
    int stop = 0;
    if (!found) {
        const CellWalk w = walk_cells(hdesc, page, static_cast<int>(end - page), &stop, [&](int cell, int32_t) {
            if (cell >= blk) {
                found = cell == blk;
                return false;
            }
            prev = cell;
            return true;
        });
        if (w == CellWalk::ZeroSize) {
            diag_puts("free_block: EEEK! Zero data block size! (not registry or corrupt file?)");
            return 0;
        }
    }
    int len = -size;
    if (!found || static_cast<int64_t>(blk) + len > end) {
        diag_puts("free_block: ran off end of page!?!? Error in chains?");
        diag_printf("vofs = %x, pofs = %x, blk = %x\n", stop, page, blk);
        return 0;
    }
    count_cell(hdesc, len, true, -1);
    const int64_t next = static_cast<int64_t>(blk) + len;
    if (next + 4 <= end) {
        const int32_t nsize = rd32(hdesc->buffer + next);
        if (nsize > 0 && next + nsize <= end) {
            len += nsize;
            count_cell(hdesc, nsize, false, -1);
        }
    }
    memset(hdesc->buffer + blk, 0, static_cast<size_t>(len));
    wr32(hdesc->buffer + blk, len);
    hdesc->state |= HIVE_DIRTY;
    int result = len;
    if (prev && rd32(hdesc->buffer + prev) > 0) {
        result = rd32(hdesc->buffer + prev) + len;
        count_cell(hdesc, rd32(hdesc->buffer + prev), false, -1);
        memset(hdesc->buffer + prev, 0, static_cast<size_t>(result));
        wr32(hdesc->buffer + prev, result);
    }
    count_cell(hdesc, result, false, 1);
    pages_refresh(hdesc, blk);
    return result;
}

int fill_block(Hive* hdesc, int ofs, const void* data, int size) {
    if (!hive_may_change(hdesc)) return -1;
    const Cell c = cell_at(hdesc, ofs);
    if (!c || size < 0 || size > c.data_len()) {
        diag_printf("fill_block: ERROR: block to small for data: ofs = %x, size = %x, blksize = %x\n", ofs, size,
                    c ? c.data_len() : 0);
        return -1;
    }
    memcpy(c.data(hdesc), data, static_cast<size_t>(size));
    return 0;
}
