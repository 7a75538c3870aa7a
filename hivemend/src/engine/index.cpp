#include "index.h"

namespace hivemend {

uint16_t index_id(const Hive* h, int64_t rec) {
    const unsigned char* p = list_at(h, rec, 0, 1, 2);
    return p ? rd16(p) : 0;
}

bool leaf_at(const Hive* h, int64_t rec, Leaf* out) {
    const unsigned char* head = list_at(h, rec, 0, 1, 4);
    if (!head) return false;
    const uint16_t id = rd16(head);
    if (id != ID_LI && id != ID_LF && id != ID_LH) return false;
    const int count = rd16(head + 2);
    const int size = id == ID_LI ? 4 : 8;
    unsigned char* entries = list_at(h, rec, 4, count, size);
    if (!entries) return false;
    *out = Leaf{static_cast<int>(rec), id, count, entries};
    return true;
}

bool ri_at(const Hive* h, int64_t rec, RiList* out) {
    const unsigned char* head = list_at(h, rec, 0, 1, 4);
    if (!head || rd16(head) != ID_RI) return false;
    const int count = rd16(head + 2);
    unsigned char* entries = list_at(h, rec, 4, count, 4);
    if (!entries) return false;
    *out = RiList{static_cast<int>(rec), count, entries};
    return true;
}

}  // namespace hivemend
