#include "security.h"

#include <climits>
#include <cstdio>

#include "engine/diag.h"
#include "hivemend/modify.h"

namespace hivemend {

sk_key* sk_stored(const Hive* h, int32_t stored) {
    const Cell c = record_cell(h, stored_to_rec(stored), ID_SK, sizeof(sk_key));
    if (!c) return nullptr;
    auto* sk = reinterpret_cast<sk_key*>(c.data(h));
    if (sk->len_sk < 0 || static_cast<int64_t>(sizeof(sk_key)) + sk->len_sk > c.data_len()) return nullptr;
    return sk;
}

bool sk_acquire(Hive* h, int32_t stored) {
    sk_key* sk = sk_stored(h, stored);
    if (!sk || sk->no_usage < 0 || sk->no_usage == INT_MAX) {
        diag_printf("sk_acquire: security record at 0x%x is damaged\n", static_cast<int>(stored_to_cell(stored)));
        return false;
    }
    sk->no_usage += 1;
    h->state |= HIVE_DIRTY;
    return true;
}

void sk_release(Hive* h, int32_t stored) {
    sk_key* sk = sk_stored(h, stored);
    if (!sk || sk->no_usage <= 0) {
        diag_printf("sk_release: security record at 0x%x is damaged, left as it is\n",
                    static_cast<int>(stored_to_cell(stored)));
        return;
    }
    h->state |= HIVE_DIRTY;
    if (--sk->no_usage > 0) return;
    // The list of security records is circular; a record alone in it is the
    // last one, which a key still uses (the root's), so it is never freed.
    const int32_t prev = sk->ofs_prevsk;
    const int32_t next = sk->ofs_nextsk;
    sk_key* p = sk_stored(h, prev);
    sk_key* n = sk_stored(h, next);
    if (!p || !n || prev == stored || p->ofs_nextsk != stored || n->ofs_prevsk != stored) {
        diag_printf("sk_release: security record at 0x%x is not linked to its neighbours, not freed\n",
                    static_cast<int>(stored_to_cell(stored)));
        return;
    }
    p->ofs_nextsk = next;
    n->ofs_prevsk = prev;
    free_block(h, static_cast<int>(stored_to_cell(stored)));
}

}  // namespace hivemend
