#pragma once

// The one bounds check of the engine. Every offset, count and length read
// from the image reaches memory only through the functions here: a cell is
// checked against the hbin area, a record against its cell.

#include <cstdint>
#include <cstring>

#include "hivemend/format.h"
#include "hivemend/hive.h"

namespace hivemend {

// End of the readable hbin area: the data size the base block claims, cut
// to what the image really holds.
inline int64_t data_end(const Hive* h) { return h->endofs < h->size ? h->endofs : h->size; }

// The check itself: pointer to `len` bytes at `ofs` of a buffer of `size`
// bytes, or null when they do not lie wholly inside it. Hive images and
// transaction log files are both read through here.
inline unsigned char* span_bytes(unsigned char* base, int64_t size, int64_t ofs, int64_t len) {
    if (ofs < 0 || len < 0 || ofs > size || len > size - ofs) return nullptr;
    return base + ofs;
}
inline const unsigned char* span_bytes(const unsigned char* base, int64_t size, int64_t ofs, int64_t len) {
    return span_bytes(const_cast<unsigned char*>(base), size, ofs, len);
}

// Pointer to `len` bytes at file offset `ofs` inside the hbin area, or null.
inline unsigned char* hbin_bytes(const Hive* h, int64_t ofs, int64_t len) {
    if (ofs < HBIN_START) return nullptr;
    return span_bytes(h->buffer, data_end(h), ofs, len);
}

// Pointer to `len` bytes at file offset `ofs` anywhere in the image (base
// block included), or null.
inline unsigned char* image_bytes(const Hive* h, int64_t ofs, int64_t len) {
    return span_bytes(h->buffer, h->size, ofs, len);
}

inline int32_t rd32(const unsigned char* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void wr32(unsigned char* p, int32_t v) { std::memcpy(p, &v, 4); }
inline uint16_t rd16(const unsigned char* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// A dword of the base block, 0 when the image is too short to hold it.
inline int32_t header_dword(const Hive* h, int ofs) {
    const unsigned char* p = image_bytes(h, ofs, 4);
    return p ? rd32(p) : 0;
}

// A cell whose size field and extent lie inside the hbin area.
struct Cell {
    int ofs = 0;  // cell offset (file offset of the size field)
    int len = 0;  // absolute length, size field included
    bool used = false;
    explicit operator bool() const { return len != 0; }
    unsigned char* data(const Hive* h) const { return h->buffer + ofs + 4; }
    int data_len() const { return len - 4; }
};

// The cell at file offset `ofs`, or an empty Cell when its size is 0 or it
// runs past the hbin area.
inline Cell cell_at(const Hive* h, int64_t ofs) {
    const unsigned char* p = hbin_bytes(h, ofs, 4);
    if (!p) return {};
    const int64_t size = rd32(p);
    const int64_t len = size < 0 ? -size : size;
    if (len < 8 || !hbin_bytes(h, ofs, len)) return {};
    return {static_cast<int>(ofs), static_cast<int>(len), size < 0};
}

// Cell offset of a stored offset; values that cannot be one (such as -1)
// land outside the hbin area and fail every check.
inline int64_t stored_to_cell(int32_t stored) { return static_cast<int64_t>(stored) + HBIN_START; }
inline int32_t cell_to_stored(int64_t cell) { return static_cast<int32_t>(cell - HBIN_START); }

// The used cell behind record offset `rec` when its record carries `id` and
// at least `fixed` bytes fit in it; an empty Cell otherwise.
inline Cell record_cell(const Hive* h, int64_t rec, uint16_t id, int fixed) {
    const Cell c = cell_at(h, rec - 4);
    if (!c || !c.used || c.data_len() < fixed || c.data_len() < 2) return {};
    if (rd16(c.data(h)) != id) return {};
    return c;
}

// The nk record at record offset `rec`, name included, or null.
inline nk_key* nk_at(const Hive* h, int64_t rec) {
    const Cell c = record_cell(h, rec, ID_NK, sizeof(nk_key));
    if (!c) return nullptr;
    auto* nk = reinterpret_cast<nk_key*>(c.data(h));
    if (static_cast<int>(sizeof(nk_key)) + nk->len_name > c.data_len()) return nullptr;
    return nk;
}

// The vk record at record offset `rec`, name included, or null.
inline vk_key* vk_at(const Hive* h, int64_t rec) {
    const Cell c = record_cell(h, rec, ID_VK, sizeof(vk_key));
    if (!c) return nullptr;
    auto* vk = reinterpret_cast<vk_key*>(c.data(h));
    if (static_cast<int>(sizeof(vk_key)) + vk->len_name > c.data_len()) return nullptr;
    return vk;
}

// Record offset of a stored offset.
inline int64_t stored_to_rec(int32_t stored) { return stored_to_cell(stored) + 4; }

inline nk_key* nk_stored(const Hive* h, int32_t stored) { return nk_at(h, stored_to_rec(stored)); }

// Record offset of a record pointer into the image.
inline int rec_ofs(const Hive* h, const void* rec) {
    return static_cast<int>(static_cast<const unsigned char*>(rec) - h->buffer);
}

// The root key's record offset.
inline int root_rec(const Hive* h) { return h->rootofs + 4; }

// A list of `count` 32-bit entries in the used cell at record offset `rec`,
// entries starting `head` bytes into the record; null when it does not fit.
inline unsigned char* list_at(const Hive* h, int64_t rec, int64_t head, int64_t count, int64_t entry) {
    const Cell c = cell_at(h, rec - 4);
    if (!c || !c.used || count < 0 || head + count * entry > c.data_len()) return nullptr;
    return c.data(h) + head;
}

}  // namespace hivemend
