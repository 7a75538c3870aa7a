// Loading a hive into memory and releasing it.

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base_block.h"
#include "engine/diag.h"
#include "engine/image.h"
#include "engine/open_file.h"
#include "guard.h"
#include "hivemend/dump.h"
#include "hivemend/hive.h"
#include "hivemend/lookup.h"
#include "hivemend/recovery.h"
#include "hivemend/text.h"
#include "index.h"
#include "memory.h"
#include "pages.h"
#include "recover.h"

using namespace hivemend;

namespace {

// A base block offset turned into a file offset, or 0 when it cannot be one.
int header_file_offset(const Hive* h, int field) {
    const int64_t ofs = static_cast<int64_t>(header_dword(h, field)) + HBIN_START;
    return ofs > INT_MAX || ofs < HBIN_START ? 0 : static_cast<int>(ofs);
}

void print_header_name(const Hive* h) {
    diag_printf("Hive <%s> name (from header): <", h->filename);
    for (int i = 0; i < 32; ++i) {
        const unsigned char* u = image_bytes(h, REGF_NAME + 2 * i, 2);
        if (!u || (!u[0] && !u[1])) break;
        diag_putchar(u[0]);
    }
    diag_printf(">\nROOT KEY at offset: 0x%06x * ", h->rootofs);
}

// The id of the index a key's first subkey gets: the kind the root uses.
void choose_index_type(Hive* h) {
    const nk_key* root = nk_at(h, root_rec(h));
    if (!root) {
        diag_eprintf("openHive: WARNING: ROOT key does not seem to be a key! (not type == nk)\n");
        return;
    }
    uint16_t id = 0;
    if (root->no_subkeys > 0) {
        const int64_t index = stored_to_rec(root->ofs_lf);
        id = index_id(h, index);
        if (id == ID_RI) {
            diag_printf("openHive: DEBUG: BIG ROOT!\n");
            RiList ri;
            id = ri_at(h, index, &ri) && ri.count > 0 ? index_id(h, stored_to_rec(ri.leaf(0))) : 0;
        }
    }
    if (id != ID_LH && id != ID_LF && id != ID_LI) id = ID_LF;
    h->nkindextype = static_cast<short>(id);
    diag_printf("Subkey indexing type is: %04x <%c%c>\n", id, id & 0xFF, id >> 8);
}

// Walks the hbin pages, counting their cells and indexing their free space.
void walk_pages(Hive* h) {
    int64_t page = HBIN_START;
    while (page < h->endofs) {
        const unsigned char* hdr = image_bytes(h, page, HBIN_HEADER);
        if (!hdr || rd32(hdr) != HBIN_SIGNATURE) {
            diag_printf("Page at 0x%x is not 'hbin', assuming file contains garbage at end\n", static_cast<int>(page));
            break;
        }
        const int32_t next = rd32(hdr + HBIN_OFS_NEXT);
        if (h->state & HIVE_VERBOSE)
            diag_printf("###### Page at 0x%0x ofs_self 0x%0x, size (delta ofs_next) 0x%0x ######\n",
                        static_cast<int>(page), rd32(hdr + HBIN_OFS_SELF), next);
        if (next == 0) {
            diag_eprintf("openHive: ERROR: Page at 0x%x has size zero! File may be corrupt, or program has a bug\n",
                         static_cast<int>(page));
            break;
        }
        if (next < HBIN_HEADER || page + next > data_end(h)) {
            diag_eprintf("openHive: ERROR: Page at 0x%x has size 0x%x, past the end of the hive data 0x%x\n",
                         static_cast<int>(page), next, static_cast<int>(data_end(h)));
            break;
        }
        h->pages++;
        int stop = 0;
        const CellWalk end = walk_cells(h, static_cast<int>(page), next, &stop, [&](int cell, int32_t) {
            parse_block(h, cell, (h->state & HIVE_TRACE) ? 1 : 0);
            return true;
        });
        if (end == CellWalk::ZeroSize) {
            parse_block(h, stop, 0);
        } else if (end == CellWalk::Overrun) {
            diag_eprintf("openHive: ERROR: Cell at 0x%x runs past the end of its page at 0x%x\n", stop,
                         static_cast<int>(page + next));
        }
        pages_add(h, static_cast<int>(page), next);
        h->lastbin = static_cast<int>(page);
        page += next;
    }
}

void guess_type(Hive* h) {
    if (trav_path(h, 0, "\\SAM", 0)) {
        h->type = HIVE_TYPE_SAM;
    } else if (trav_path(h, 0, "\\ControlSet", 0)) {
        h->type = HIVE_TYPE_SYSTEM;
    } else if (trav_path(h, 0, "\\Policy", 0)) {
        h->type = HIVE_TYPE_SECURITY;
    } else if (trav_path(h, 0, "\\Microsoft", 0)) {
        h->type = HIVE_TYPE_SOFTWARE;
    } else {
        h->type = HIVE_TYPE_UNKNOWN;
    }
    if (h->state & HIVE_VERBOSE) diag_printf("Type of hive guessed to be: %d\n", h->type);
}

// Parses the image of a handle whose buffer is filled.
void parse_image(Hive* h) {
    pages_clear(h);
    if (h->size < HBIN_START || header_dword(h, 0) != REGF_SIGNATURE) {
        diag_eprintf("openHive(%s): File does not seem to be a registry hive!\n", h->filename);
        return;
    }
    if (!base_block_sum_ok(h->buffer)) {
        diag_eprintf("openHive(%s): WARNING: REGF header checksum mismatch! calc: 0x%08x != file: 0x%08x\n",
                     h->filename, regf_checksum(h->buffer), header_dword(h, REGF_CHECKSUM));
    }
    // A root offset past the image cannot lead to a key; 0 makes every lookup fail.
    h->rootofs = header_file_offset(h, REGF_ROOT_OFS);
    if (h->rootofs >= h->size) h->rootofs = 0;
    h->endofs = header_file_offset(h, REGF_DATA_SIZE);
    print_header_name(h);
    choose_index_type(h);
    walk_pages(h);
    if (h->state & HIVE_VERBOSE) {
        diag_printf("Last HBIN at offset       : 0x%x\n", h->lastbin);
        diag_printf("First non-HBIN page offset: 0x%x\n", h->endofs);
        diag_printf("hdr->unknown4 (version?)  : 0x%x\n", header_dword(h, REGF_VERSION_MINOR));
    }
    diag_printf("File size %d [%x] bytes, containing %d pages (+ 1 headerpage)\n", h->size, h->size, h->pages);
    diag_printf("Used for data: %d/%d blocks/bytes, unused: %d/%d blocks/bytes.\n\n", h->useblk, h->usetot, h->unuseblk,
                h->unusetot);
    guess_type(h);
}

Hive* new_hive(const char* filename, int mode) {
    auto* h = static_cast<Hive*>(xcalloc(sizeof(Hive)));
    h->filename = str_dup(filename ? filename : "");
    h->state = mode;
    return h;
}

}  // namespace

Hive* openHiveWithLogs(const char* filename, const void* data, long len, const HiveLogData* logs, int nlogs, int mode) {
    if (!data || len < 0 || len > INT_MAX || nlogs < 0 || (nlogs > 0 && !logs)) return nullptr;
    Hive* h = new_hive(filename, mode & ~HIVE_FILE_OPEN);
    h->size = static_cast<int>(len);
    h->buffer = image_alloc(static_cast<size_t>(len));
    std::memcpy(h->buffer, data, static_cast<size_t>(len));
    std::vector<LogBytes> given;
    for (int i = 0; i < nlogs; ++i) {
        if (!logs[i].data || logs[i].len < 0) continue;
        given.push_back(
            {logs[i].name ? logs[i].name : "", static_cast<const unsigned char*>(logs[i].data), logs[i].len});
    }
    recover_image(h, given);
    parse_image(h);
    return h;
}

Hive* openHiveBuffer(const char* filename, const void* data, long len, int mode) {
    return openHiveWithLogs(filename, data, len, nullptr, 0, mode);
}

Hive* openHive(const char* filename, int mode) {
    if (!filename) return nullptr;
    long length = 0;
    FILE* fp = open_for_loading(filename, &length);
    if (!fp) {
        diag_eprintf("openHive(%s): %s\n", filename, hive_open_error());
        return nullptr;
    }
    Hive* h = new_hive(filename, mode | HIVE_FILE_OPEN);
    h->fp = fp;
    h->size = static_cast<int>(length);
    h->buffer = image_alloc(static_cast<size_t>(h->size));
    size_t got = 0;
    while (got < static_cast<size_t>(h->size)) {
        const ssize_t n = read(fileno(fp), h->buffer + got, static_cast<size_t>(h->size) - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (got != static_cast<size_t>(h->size)) {
        diag_eprintf("Could not read file, got %d bytes while expecting %d\n", static_cast<int>(got), h->size);
        set_open_error("could not be read whole: " + std::to_string(got) + " of " + std::to_string(h->size) + " bytes");
        closeHive(h);
        return nullptr;
    }
    recover_from_disk(h);
    parse_image(h);
    CloseFile(h);
    return h;
}

void CloseFile(Hive* hdesc) {
    if (!hdesc || !(hdesc->state & HIVE_FILE_OPEN)) return;
    if (hdesc->fp) fclose(hdesc->fp);
    hdesc->fp = nullptr;
    hdesc->state &= ~HIVE_FILE_OPEN;
}

void closeHive(Hive* hdesc) {
    if (!hdesc) return;
    CloseFile(hdesc);
    free(hdesc->filename);
    image_free(hdesc->buffer, static_cast<size_t>(hdesc->size));
    delete hdesc->index;
    delete hdesc->recovery;
    release_check(hdesc);
    free(hdesc);
}

int calc_regfsum(Hive* hdesc) {
    int sum = 0;
    for (int i = 0; i < 0x1FC; i += 4) sum ^= header_dword(hdesc, i);
    return sum;
}
