// The full walk: every page and cell, key, value and data block once.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "hivemend/visit.h"
#include "image.h"
#include "index.h"
#include "pages.h"
#include "values.h"

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

class Walk {
public:
    Walk(Hive* h, HiveVisitor& v) : h_(h), v_(v), seen_(static_cast<size_t>(h->size) / 4 + 1) {}

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
                report(static_cast<int>(page), "page is not 'hbin' before the end of the hive data at " +
                                                   hex(h_->endofs));
                return;
            }
            const int32_t next = rd32(hdr + HBIN_OFS_NEXT);
            if (next < HBIN_HEADER || page + next > data_end(h_)) {
                report(static_cast<int>(page), "page size " + hex(next) + " is zero or runs past the hive data");
                return;
            }
            int stop = 0;
            const CellWalk end = walk_cells(h_, static_cast<int>(page), next, &stop, [](int, int32_t) { return true; });
            if (end == CellWalk::ZeroSize && stop != page + next - 4) report(stop, "cell of size 0");
            if (end == CellWalk::Overrun) report(stop, "cell runs past the end of its page");
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
        seen_[static_cast<size_t>(root) / 4] = true;
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
            values(it.nk);
            kids.clear();
            subkeys(it.nk, &kids);
            for (auto k = kids.rbegin(); k != kids.rend(); ++k) stack.push_back({*k, it.depth + 1, false});
        }
    }

private:
    void values(int key) {
        const nk_key* nk = nk_at(h_, key);
        if (nk->len_classnam && !list_at(h_, stored_to_rec(nk->ofs_classnam), 0, nk->len_classnam, 1))
            report(key, "class name does not fit its cell");
        if (nk->no_values <= 0) return;
        const int count = nk->no_values;
        const unsigned char* list = list_at(h_, stored_to_rec(nk->ofs_vallist), 0, count, 4);
        if (!list) {
            report(key, "value list of " + std::to_string(count) + " entries does not fit its cell");
            return;
        }
        for (int i = 0; i < count; ++i) {
            const int vk = static_cast<int>(stored_to_rec(rd32(list + 4 * i)));
            const vk_key* rec = vk_at(h_, vk);
            if (!rec) {
                report(vk, "value " + std::to_string(i) + " of key at " + hex(key) + " is not a readable 'vk'");
                continue;
            }
            const DataRef d = locate_data(h_, rec);
            if (d.kind == DataKind::Damaged) {
                report(vk, "data of value does not fit the cells that hold it");
                v_.value(key, vk, nullptr);
                continue;
            }
            ValueBuffer* buf = new_valuebuffer(d.len);
            copy_data(h_, d, vb_data(buf), nullptr);
            v_.value(key, vk, buf);
            free(buf);
        }
    }

    void subkeys(int key, std::vector<int>* kids) {
        const nk_key* nk = nk_at(h_, key);
        if (nk->no_subkeys <= 0) return;
        const bool readable = for_each_leaf(
            h_, nk,
            [&](const Leaf& l) {
                for (int i = 0; i < l.count; ++i) {
                    const int sub = static_cast<int>(stored_to_rec(l.nk(i)));
                    const nk_key* snk = nk_at(h_, sub);
                    if (!snk) {
                        report(sub, "subkey of key at " + hex(key) + " is not a readable 'nk'");
                    } else if (seen_[static_cast<size_t>(sub) / 4]) {
                        report(sub, "key reached twice: the subkey indexes loop");
                    } else {
                        if (stored_to_rec(snk->ofs_parent) != key)
                            report(sub, "parent offset does not lead back to the key at " + hex(key));
                        seen_[static_cast<size_t>(sub) / 4] = true;
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
    std::vector<bool> seen_;
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
        w.report(REGF_DATA_SIZE, "hive data ends at " + hex(hdesc->endofs) + ", past the end of the file at " +
                                     hex(hdesc->size));
    if (flags & VISIT_PAGES) w.pages();
    w.keys();
    return w.damages();
}
