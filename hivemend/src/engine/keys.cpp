#include "keys.h"

#include "engine/diag.h"
#include "index.h"

namespace hivemend {

bool is_root(const Hive* h, int64_t rec, const nk_key* nk) { return rec == root_rec(h) || nk->type == NK_ROOT_TYPE; }

int find_subkey(const Hive* h, const nk_key* nk, const NameQuery& q, bool prefix) {
    if (nk->no_subkeys <= 0) return 0;
    int found = 0;
    for_each_leaf(
        h, nk,
        [&](const Leaf& l) {
            for (int i = 0; i < l.count && !found; ++i) {
                const nk_key* sub = nk_stored(h, l.nk(i));
                if (!sub) {
                    diag_puts("ERROR: not 'nk' node! (strange?)");
                } else if (sub->len_name == 0) {
                    diag_puts("[No name]");
                } else if (key_name_matches(sub, q, prefix)) {
                    found = rec_ofs(h, sub);
                }
            }
            return !found;
        },
        [](int) { return true; });
    return found;
}

}  // namespace hivemend
