#include "pages.h"

#include <algorithm>

namespace hivemend {

namespace {

int page_maxfree(const Hive* h, int page, int plen) {
    int best = 0;
    int stop = 0;
    walk_cells(h, page, plen, &stop, [&](int, int32_t size) {
        if (size > best) best = size;
        return true;
    });
    return best;
}

void tree_set(HivePages& p, size_t i) {
    size_t n = static_cast<size_t>(p.cap) + i;
    p.tree[n] = p.maxfree[i];
    for (n /= 2; n >= 1; n /= 2) p.tree[n] = std::max(p.tree[2 * n], p.tree[2 * n + 1]);
}

void tree_rebuild(HivePages& p) {
    int cap = 1;
    while (static_cast<size_t>(cap) < p.start.size()) cap *= 2;
    p.cap = cap;
    p.tree.assign(2 * static_cast<size_t>(cap), 0);
    for (size_t i = 0; i < p.maxfree.size(); ++i) p.tree[static_cast<size_t>(cap) + i] = p.maxfree[i];
    for (int n = cap - 1; n >= 1; --n) p.tree[n] = std::max(p.tree[2 * n], p.tree[2 * n + 1]);
}

}  // namespace

void pages_clear(Hive* h) {
    if (!h->index) h->index = new HivePages;
    *h->index = HivePages{};
}

void pages_add(Hive* h, int start, int len) {
    HivePages& p = *h->index;
    p.start.push_back(start);
    p.len.push_back(len);
    p.maxfree.push_back(page_maxfree(h, start, len));
    if (p.start.size() > static_cast<size_t>(p.cap)) {
        tree_rebuild(p);
    } else {
        tree_set(p, p.start.size() - 1);
    }
}

int pages_find(const Hive* h, int ofs) {
    const HivePages& p = *h->index;
    const auto it = std::upper_bound(p.start.begin(), p.start.end(), ofs);
    if (it == p.start.begin()) return -1;
    const size_t i = static_cast<size_t>(it - p.start.begin()) - 1;
    if (static_cast<int64_t>(ofs) >= static_cast<int64_t>(p.start[i]) + p.len[i]) return -1;
    return static_cast<int>(i);
}

void pages_refresh(Hive* h, int ofs) {
    const int i = pages_find(h, ofs);
    if (i < 0) return;
    HivePages& p = *h->index;
    p.maxfree[static_cast<size_t>(i)] = page_maxfree(h, p.start[static_cast<size_t>(i)], p.len[static_cast<size_t>(i)]);
    tree_set(p, static_cast<size_t>(i));
}

int pages_first_fit(const Hive* h, int size) {
    const HivePages& p = *h->index;
    if (p.start.empty() || p.tree[1] < size) return -1;
    size_t n = 1;
    while (n < static_cast<size_t>(p.cap)) n = p.tree[2 * n] >= size ? 2 * n : 2 * n + 1;
    return static_cast<int>(n - static_cast<size_t>(p.cap));
}

}  // namespace hivemend
