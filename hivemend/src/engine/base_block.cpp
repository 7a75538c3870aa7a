#include "base_block.h"

#include "engine/image.h"
#include "hivemend/recovery.h"
#include "logfile.h"

namespace hivemend {

bool base_block_sum_ok(const unsigned char* p) {
    return static_cast<uint32_t>(rd32(p + REGF_CHECKSUM)) == regf_checksum(p);
}

void store_base_block_sum(unsigned char* p) { wr32(p + REGF_CHECKSUM, static_cast<int32_t>(regf_checksum(p))); }

bool base_block_dirty(const Hive* h) {
    const unsigned char* p = image_bytes(h, 0, HBIN_START);
    if (!p) return false;
    return rd32(p + REGF_PRIMARY_SEQ) != rd32(p + REGF_SECONDARY_SEQ) || !base_block_sum_ok(p);
}

}  // namespace hivemend

uint32_t regf_checksum(const unsigned char* base_block) {
    uint32_t sum = 0;
    for (int i = 0; i < REGF_CHECKSUM; i += 4) sum ^= static_cast<uint32_t>(hivemend::rd32(base_block + i));
    if (sum == 0xFFFFFFFFu) return 0xFFFFFFFEu;
    if (sum == 0) return 1;
    return sum;
}
