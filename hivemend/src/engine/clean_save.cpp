#include "clean_save.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base_block.h"
#include "engine/diag.h"
#include "engine/image.h"
#include "engine/replace_file.h"
#include "hivemend/recovery.h"
#include "logfile.h"

using namespace hivemend;

namespace hivemend {

void make_clean(Hive* h) {
    unsigned char* p = image_bytes(h, 0, LOG_BASE_BLOCK);
    if (!p) return;
    if (rd32(p) == REGF_SIGNATURE) {
        const uint32_t high = std::max(static_cast<uint32_t>(rd32(p + REGF_PRIMARY_SEQ)),
                                       static_cast<uint32_t>(rd32(p + REGF_SECONDARY_SEQ)));
        const uint32_t seq = high == UINT32_MAX ? high : high + 1;
        wr32(p + REGF_PRIMARY_SEQ, static_cast<int32_t>(seq));
        wr32(p + REGF_SECONDARY_SEQ, static_cast<int32_t>(seq));
    }
    store_base_block_sum(p);
}

}  // namespace hivemend

int saveHiveAs(Hive* hdesc, const char* path) {
    if (!hdesc || !path) return 1;
    long len = 0;
    const unsigned char* image = hive_image(hdesc, &len);
    struct stat st {};
    const bool known = stat(hdesc->filename, &st) == 0;
    switch (hivemend::create_file(path, image, static_cast<size_t>(len), known ? &st : nullptr)) {
    case hivemend::Replaced::Yes: return 0;
    case hivemend::Replaced::NotCreated:
        diag_eprintf("saveHiveAs: cannot create %s (%s), FILE NOT WRITTEN!\n", path,
                     errno == EEXIST ? "it exists already" : strerror(errno));
        return 1;
    case hivemend::Replaced::NotWritten:
        diag_eprintf("saveHiveAs: saving %s failed (%s), FILE NOT WRITTEN!\n", path, strerror(errno));
        return 1;
    }
    return 1;
}
