// The full walk: every page and cell, key, value and data block once.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "engine/image.h"
#include "engine/values.h"
#include "hivemend/visit.h"
#include "index.h"
#include "pages.h"
#include "security.h"

using namespace hivemend;

HiveVisitor::~HiveVisitor() = default;
bool HiveVisitor::enter_key(int, int) { return true; }
void HiveVisitor::leave_key(int) {}
void HiveVisitor::value(int, int, const ValueBuffer*) {}
void HiveVisitor::damage(int, const std::string&) {}

namespace {

std::string hex(int v) {
    char b[16];
    snprintf(b, sizeof b, "0x%x", v);
    return b;
}

// What the walk knows of each 4-byte step of the image.
enum : uint8_t {
    kUsedCell = 0x1,  // a used cell starts here (known when the pages are walked)
    kFreeCell = 0x2,  // a free cell starts here
    kClaimed = 0x4,   // a record, list or data block of the tree lies here
    kKnown = 0x8,     // the page was walked here: every cell start is marked
};

class Walk {
public:
    Walk(Hive* h, HiveVisitor& v) : h_(h), v_(v), map_(static_cast<size_t>(h->size) / 4 + 1) {}

    int damages() const { return damages_; }

    void report(int ofs, const std::string& what) {
        ++damages_;
        v_.damage(ofs, what);
    }

    void pages() {
        int64_t page = HBIN_START;
        while (page < h_->endofs) {
            const unsigned char* hdr = image_bytes(h_, page, HBIN_HEADER);
            if (!hdr || rd32(hdr) != HBIN_SIGNATURE) {
                report(static_cast<int>(page),
                       "page is not 'hbin' before the end of the hive data at " + hex(h_->endofs));
                return;
            }
            const int32_t next = rd32(hdr + HBIN_OFS_NEXT);
            if (next < HBIN_HEADER || page + next > data_end(h_)) {
                report(static_cast<int>(page), "page size " + hex(next) + " is zero or runs past the hive data");
                return;
            }
            int stop = 0;
            const CellWalk end = walk_cells(h_, static_cast<int>(page), next, &stop, [&](int cell, int32_t size) {
                if (cell % 8) {
                    report(cell, "cell does not start on an 8-byte boundary: the cell before it has an odd length");
                    return false;
                }
                map_[static_cast<size_t>(cell) / 4] |= size < 0 ? kUsedCell : kFreeCell;
                return true;
            });
            if (end == CellWalk::ZeroSize && stop != page + next - 4) report(stop, "cell of size 0");
            if (end == CellWalk::Overrun) report(stop, "cell runs past the end of its page");
            // Where the cells could be walked, their starts are known.
            for (int64_t ofs = page; ofs < (end == CellWalk::End ? page + next : stop); ofs += 4)
                map_[static_cast<size_t>(ofs) / 4] |= kKnown;
            page += next;
        }
    }

    void keys() {
        const int root = root_rec(h_);
        if (!nk_at(h_, root)) {
            report(h_->rootofs, "root key is not a readable 'nk' record");
            return;
        }
        struct Item {
            int nk;
            int depth;
            bool leave;
        };
        std::vector<Item> stack{{root, 0, false}};
        claim(root - 4, "root key");
        std::vector<int> kids;
        while (!stack.empty()) {
            const Item it = stack.back();
            stack.pop_back();
            if (it.leave) {
                v_.leave_key(it.nk);
                continue;
            }
            if (!v_.enter_key(it.nk, it.depth)) continue;
            stack.push_back({it.nk, it.depth, true});
            security(it.nk);
            values(it.nk);
            kids.clear();
            subkeys(it.nk, &kids);
            for (auto k = kids.rbegin(); k != kids.rend(); ++k) stack.push_back({*k, it.depth + 1, false});
        }
    }

    // Every security record reached, with the number of keys that name it.
    void counts() {
        for (const auto& [stored, users] : sk_users_) {
            const sk_key* sk = sk_stored(h_, stored);
            const int cell = static_cast<int>(stored_to_cell(stored));
            if (sk->no_usage != users)
                report(cell, "security record counts " + std::to_string(sk->no_usage) + " keys, " +
                                 std::to_string(users) + " keys use it");
            const sk_key* next = sk_stored(h_, sk->ofs_nextsk);
            if (!next || next->ofs_prevsk != stored)
                report(cell, "security record is not linked to the next one in the list");
        }
    }

private:
    bool claimed(int64_t cell) const {
        return cell % 4 == 0 && static_cast<size_t>(cell) / 4 < map_.size() &&
               (map_[static_cast<size_t>(cell) / 4] & kClaimed);
    }

    // A cell the tree names at file offset `cell`: where the pages were
    // walked it must be one of their used cells (not a piece of another),
    // and no two records may name the same cell. False for a cell named
    // twice, whose contents must not be walked again.
    bool claim(int64_t cell, const char* what) {
        const size_t i = static_cast<size_t>(cell) / 4;
        if (i < map_.size() && (map_[i] & kKnown) && (cell % 8 || !(map_[i] & kUsedCell)))
            report(static_cast<int>(cell),
                   std::string(what) + ((map_[i] & kFreeCell) ? " lies in a free cell" : " overlaps another cell"));
        if (cell % 4 || i >= map_.size()) return true;
        if (map_[i] & kClaimed) {
            report(static_cast<int>(cell), std::string(what) + " is also used by another record");
            return false;
        }
        map_[i] |= kClaimed;
        return true;
    }

    void security(int key) {
        const nk_key* nk = nk_at(h_, key);
        const int32_t stored = nk->ofs_sk;
        if (!sk_stored(h_, stored)) {
            report(key, "security record of the key is not a readable 'sk'");
            return;
        }
        const auto [it, fresh] = sk_users_.emplace(stored, 0);
        if (fresh && !claim(stored_to_cell(stored), "security record")) {
            sk_users_.erase(it);
            return;
        }
        ++it->second;
    }

    // The cells holding the data of a value that locate_data found sound.
    void claim_data(const vk_key* vk, const DataRef& d) {
        if (d.kind == DataKind::Cell) {
            claim(stored_to_cell(static_cast<int32_t>(vk->ofs_data)), "value data");
        } else if (d.kind == DataKind::Big) {
            claim(stored_to_cell(static_cast<int32_t>(vk->ofs_data)), "big data record");
            const auto* db = reinterpret_cast<const db_key*>(d.p);
            const unsigned char* list = list_at(h_, stored_to_rec(db->ofs_list), 0, db->no_parts, 4);
            claim(stored_to_cell(db->ofs_list), "big data part list");
            for (int i = 0; i < db->no_parts; ++i) claim(stored_to_cell(rd32(list + 4 * i)), "big data part");
        }
    }

    void values(int key) {
        const nk_key* nk = nk_at(h_, key);
        if (nk->len_classnam) {
            if (!list_at(h_, stored_to_rec(nk->ofs_classnam), 0, nk->len_classnam, 1))
                report(key, "class name does not fit its cell");
            else
                claim(stored_to_cell(nk->ofs_classnam), "class name");
        }
        if (nk->no_values <= 0) return;
        const int count = nk->no_values;
        const unsigned char* list = list_at(h_, stored_to_rec(nk->ofs_vallist), 0, count, 4);
        if (!list) {
            report(key, "value list of " + std::to_string(count) + " entries does not fit its cell");
            return;
        }
        claim(stored_to_cell(nk->ofs_vallist), "value list");
        for (int i = 0; i < count; ++i) {
            const int vk = static_cast<int>(stored_to_rec(rd32(list + 4 * i)));
            const vk_key* rec = vk_at(h_, vk);
            if (!rec) {
                report(vk, "value " + std::to_string(i) + " of key at " + hex(key) + " is not a readable 'vk'");
                continue;
            }
            if (!claim(vk - 4, "value record")) continue;
            const DataRef d = locate_data(h_, rec);
            if (d.kind == DataKind::Damaged) {
                report(vk, "data of value does not fit the cells that hold it");
                v_.value(key, vk, nullptr);
                continue;
            }
            claim_data(rec, d);
            ValueBuffer* buf = new_valuebuffer(d.len);
            copy_data(h_, d, vb_data(buf), nullptr);
            v_.value(key, vk, buf);
            free(buf);
        }
    }

    void subkeys(int key, std::vector<int>* kids) {
        const nk_key* nk = nk_at(h_, key);
        if (nk->no_subkeys <= 0) return;
        if (index_id(h_, stored_to_rec(nk->ofs_lf)) == ID_RI) claim(stored_to_cell(nk->ofs_lf), "subkey index");
        const bool readable = for_each_leaf(
            h_, nk,
            [&](const Leaf& l) {
                claim(l.rec - 4, "subkey list");
                for (int i = 0; i < l.count; ++i) {
                    const int sub = static_cast<int>(stored_to_rec(l.nk(i)));
                    const nk_key* snk = nk_at(h_, sub);
                    if (!snk) {
                        report(sub, "subkey of key at " + hex(key) + " is not a readable 'nk'");
                    } else if (claimed(sub - 4)) {
                        report(sub, "key reached twice: the subkey indexes loop");
                    } else if (claim(sub - 4, "key record")) {
                        if (stored_to_rec(snk->ofs_parent) != key)
                            report(sub, "parent offset does not lead back to the key at " + hex(key));
                        kids->push_back(sub);
                    }
                }
                return true;
            },
            [&](int rec) {
                report(rec, "sub-index of key at " + hex(key) + " is not a readable list");
                return true;
            });
        if (!readable) {
            report(key, "subkey index is not a readable list");
        } else if (static_cast<int>(kids->size()) != nk->no_subkeys) {
            report(key, "key counts " + std::to_string(nk->no_subkeys) + " subkeys, its index reaches " +
                            std::to_string(kids->size()));
        }
    }

    Hive* h_;
    HiveVisitor& v_;
    std::vector<uint8_t> map_;
    std::map<int32_t, int> sk_users_;  // stored offset of each security record -> keys naming it
    int damages_ = 0;
};

}  // namespace

int hive_visit(Hive* hdesc, HiveVisitor& visitor, int flags) {
    Walk w(hdesc, visitor);
    if (hdesc->size < HBIN_START || header_dword(hdesc, 0) != REGF_SIGNATURE) {
        w.report(0, "not a registry hive: no 'regf' signature");
        return w.damages();
    }
    if (calc_regfsum(hdesc) != header_dword(hdesc, REGF_CHECKSUM))
        w.report(REGF_CHECKSUM, "base block checksum does not match its contents");
    if (hdesc->endofs > hdesc->size)
        w.report(REGF_DATA_SIZE,
                 "hive data ends at " + hex(hdesc->endofs) + ", past the end of the file at " + hex(hdesc->size));
    if (flags & VISIT_PAGES) w.pages();
    w.keys();
    w.counts();
    return w.damages();
}
