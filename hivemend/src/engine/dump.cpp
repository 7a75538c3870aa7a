// Diagnostic dumps of cells and records, and the listing of one key.

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "engine/values.h"
#include "hivemend/dump.h"
#include "hivemend/lookup.h"
#include "index.h"
#include "safetext/safetext.h"

using namespace hivemend;

namespace {

void line(int ofs, const char* label, long value) {
    diag_printf("%04x   %s = 0x%lx (%ld)\n", ofs, label, value, value);
}

// Prints a stored offset as the file offset it designates.
void line_ofs(int ofs, const char* label, int32_t stored) {
    diag_printf("%04x   %s = 0x%x\n", ofs, label, stored == OFS_NONE ? -1 : static_cast<int>(stored_to_cell(stored)));
}

void dump_leaf(Hive* h, int vofs, uint16_t id) {
    Leaf l;
    if (!leaf_at(h, vofs, &l) || l.id != id) {
        diag_printf("%x: not a readable index\n", vofs);
        return;
    }
    line(0x02, "number of keys", l.count);
    for (int i = 0; i < l.count; ++i) {
        if (id == ID_LI) {
            diag_printf("%04x      %3d   Offset: 0x%0x\n", 4 + 4 * i, i, static_cast<int>(stored_to_cell(l.nk(i))));
        } else {
            const unsigned char* e = l.entries + 8 * i;
            diag_printf("%04x      %3d   Offset: 0x%0x  %s: 0x%08x\n", 4 + 8 * i, i,
                        static_cast<int>(stored_to_cell(l.nk(i))), id == ID_LH ? "hash" : "hint", rd32(e + 4));
        }
    }
}

void list_subkeys(Hive* h, const nk_key* nk, bool verbose) {
    for_each_leaf(
        h, nk,
        [&](const Leaf& l) {
            for (int i = 0; i < l.count; ++i) {
                const nk_key* sub = nk_stored(h, l.nk(i));
                if (!sub) continue;
                const char mark = sub->len_classnam ? '*' : ' ';
                const std::string name = safetext::escaped(key_name_utf8(sub));
                if (verbose) {
                    diag_printf("[%6x] %c <%s>\n", static_cast<int>(stored_to_cell(l.nk(i))), mark, name.c_str());
                } else {
                    diag_printf("%c <%s>\n", mark, name.c_str());
                }
            }
            return true;
        },
        [](int) { return true; });
}

void list_values(Hive* h, const nk_key* nk, bool verbose) {
    const unsigned char* list = list_at(h, stored_to_rec(nk->ofs_vallist), 0, nk->no_values, 4);
    if (!list) return;
    for (int i = 0; i < nk->no_values; ++i) {
        const int32_t stored = rd32(list + 4 * i);
        const vk_key* vk = vk_at(h, stored_to_rec(stored));
        if (!vk) continue;
        const std::string name = safetext::escaped(value_name_utf8(vk));
        const int size = static_cast<int>(vk->len_data & ~VK_DATA_INLINE);
        const char* type = val_type_name(static_cast<int>(vk->val_type));
        if (verbose) {
            diag_printf("[%6x] %6d  %-16s  <%s>", static_cast<int>(stored_to_cell(stored)), size, type, name.c_str());
        } else {
            diag_printf("%6d  %-16s  <%s>", size, type, name.c_str());
        }
        const DataRef d = locate_data(h, vk);
        if (vk->val_type == REG_DWORD && d.len >= 4 && (d.kind == DataKind::Inline || d.kind == DataKind::Cell)) {
            const int v = rd32(d.p);
            diag_printf(" %*d [0x%x]", 25 - static_cast<int>(name.size()), v, static_cast<unsigned>(v));
        }
        diag_printf("\n");
    }
}

}  // namespace

int parse_block(Hive* hdesc, int vofs, int verbose) {
    const unsigned char* p = hbin_bytes(hdesc, vofs, 4);
    const int32_t size = p ? rd32(p) : 0;
    if (size == 0) {
        diag_puts("parse_block: FATAL! Zero data block size! (not registry or corrupt file?)");
        return 0;
    }
    const int len = size < 0 ? -size : size;
    if (size < 0) {
        hdesc->useblk++;
        hdesc->usetot += len;
    } else {
        hdesc->unuseblk++;
        hdesc->unusetot += len;
    }
    if (verbose > 0) {
        diag_printf("%s BLOCK @ %06x to %06x : %d, 0x%0x\n", size < 0 ? "USED" : "FREE", vofs, vofs + len, len, len);
        const Cell c = cell_at(hdesc, vofs);
        if (!c || !c.used) return len;
        switch (rd16(c.data(hdesc))) {
        case ID_NK: parse_nk(hdesc, vofs + 4); break;
        case ID_VK: parse_vk(hdesc, vofs + 4); break;
        case ID_SK: parse_sk(hdesc, vofs + 4); break;
        case ID_LF: parse_lf(hdesc, vofs + 4); break;
        case ID_LH: parse_lh(hdesc, vofs + 4); break;
        case ID_LI: parse_li(hdesc, vofs + 4); break;
        case ID_RI: parse_ri(hdesc, vofs + 4); break;
        case ID_DB: parse_db(hdesc, vofs + 4); break;
        default: diag_puts("value data, or not handeled yet!"); break;
        }
    }
    return len;
}

void parse_nk(Hive* hdesc, int vofs) {
    const nk_key* nk = nk_at(hdesc, vofs);
    if (!nk) {
        diag_printf("%x: not a readable 'nk' record\n", vofs);
        return;
    }
    diag_printf("%04x   type = 0x%02x %s\n", 0x02, nk->type, nk->type == NK_ROOT_TYPE ? "ROOT_KEY" : "");
    diag_printf("%04x   timestamp skipped\n", 0x04);
    line_ofs(0x10, "parent key offset", nk->ofs_parent);
    line(0x14, "number of subkeys", nk->no_subkeys);
    line_ofs(0x1C, "lf-record offset", nk->ofs_lf);
    line(0x24, "number of values", nk->no_values);
    line_ofs(0x28, "val-list offset", nk->ofs_vallist);
    line_ofs(0x2C, "sk-record offset", nk->ofs_sk);
    line_ofs(0x30, "classname offset", nk->ofs_classnam);
    line(0x34, "dummy3", nk->dummy3);
    line(0x38, "dummy4", nk->dummy4);
    line(0x3C, "dummy5", nk->dummy5);
    line(0x40, "dummy6", nk->dummy6);
    line(0x44, "dummy7", nk->dummy7);
    line(0x48, "name length", nk->len_name);
    line(0x4A, "classname length", nk->len_classnam);
    diag_printf("%04x   Key name: <%s>\n", 0x4C, safetext::escaped(key_name_utf8(nk)).c_str());
}

void parse_vk(Hive* hdesc, int vofs) {
    const vk_key* vk = vk_at(hdesc, vofs);
    if (!vk) {
        diag_printf("%x: not a readable 'vk' record\n", vofs);
        return;
    }
    line(0x02, "name length", vk->len_name);
    line(0x04, "length of data", static_cast<long>(vk->len_data));
    line(0x08, "data offset", static_cast<long>(vk->ofs_data));
    diag_printf("%04x   value type = 0x%x %s\n", 0x0C, vk->val_type, val_type_name(static_cast<int>(vk->val_type)));
    line(0x10, "flag", vk->flag);
    line(0x12, "*unused?*", vk->dummy1);
    diag_printf("%04x   Value name: <%s>\n", 0x14, safetext::escaped(value_name_utf8(vk)).c_str());
}

void parse_sk(Hive* hdesc, int vofs) {
    const Cell c = record_cell(hdesc, vofs, ID_SK, sizeof(sk_key));
    if (!c) {
        diag_printf("%x: not a readable 'sk' record\n", vofs);
        return;
    }
    const auto* sk = reinterpret_cast<const sk_key*>(c.data(hdesc));
    line_ofs(0x04, "Offset to prev sk", sk->ofs_prevsk);
    line_ofs(0x08, "Offset to next sk", sk->ofs_nextsk);
    line(0x0C, "Usage counter", sk->no_usage);
    line(0x10, "Security data len", sk->len_sk);
}

void parse_lf(Hive* hdesc, int vofs) { dump_leaf(hdesc, vofs, ID_LF); }
void parse_lh(Hive* hdesc, int vofs) { dump_leaf(hdesc, vofs, ID_LH); }
void parse_li(Hive* hdesc, int vofs) { dump_leaf(hdesc, vofs, ID_LI); }

void parse_ri(Hive* hdesc, int vofs) {
    RiList ri;
    if (!ri_at(hdesc, vofs, &ri)) {
        diag_printf("%x: not a readable 'ri' record\n", vofs);
        return;
    }
    line(0x02, "number of subindices", ri.count);
    for (int i = 0; i < ri.count; ++i)
        diag_printf("%04x      %3d   Offset: 0x%0x\n", 4 + 4 * i, i, static_cast<int>(stored_to_cell(ri.leaf(i))));
}

void parse_db(Hive* hdesc, int vofs) {
    const Cell c = record_cell(hdesc, vofs, ID_DB, sizeof(db_key));
    if (!c) {
        diag_printf("%x: not a readable 'db' record\n", vofs);
        return;
    }
    const auto* db = reinterpret_cast<const db_key*>(c.data(hdesc));
    line(0x02, "number of parts", db->no_parts);
    line_ofs(0x04, "Data list at offset", db->ofs_list);
}

void nk_ls(Hive* hdesc, const char* path, int start) {
    const int cell = trav_path(hdesc, start, path, LOOKUP_EXACT);
    const nk_key* nk = cell ? nk_at(hdesc, static_cast<int64_t>(cell) + 4) : nullptr;
    if (!nk) {
        diag_printf("nk_ls: Key <%s> not found\n", safetext::escaped(path).c_str());
        return;
    }
    const bool verbose = hdesc->state & HIVE_VERBOSE;
    if (verbose) diag_printf("ls of node at offset 0x%0x\n", cell + 4);
    diag_printf("Node has %d subkeys and %d values", nk->no_subkeys, nk->no_values);
    if (nk->len_classnam) diag_printf(", and class-data of %d bytes", nk->len_classnam);
    diag_printf("\n");
    if (nk->no_subkeys > 0) {
        diag_printf("  key name\n");
        list_subkeys(hdesc, nk, verbose);
    }
    if (nk->no_values > 0) {
        diag_printf("  size     type            value name             [value if type DWORD]\n");
        list_values(hdesc, nk, verbose);
    }
}
