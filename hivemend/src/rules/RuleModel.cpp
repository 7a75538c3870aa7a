#include "hivemend/RuleModel.h"
#include "engine/diag.h"

#include <cstdio>
#include <cstdlib>

using namespace hivemend;

VNameDataPtr NewVNameData(int capacity) {
    const size_t bytes = sizeof(_VNAME_DATA_) + static_cast<size_t>(capacity > 0 ? capacity : 0);
    void* block = std::calloc(1, bytes);
    if (!block) {
        diag_eprintf("out of memory for a rule value of %zu bytes\n", bytes);
        std::abort();
    }
    return VNameDataPtr(static_cast<_VNAME_DATA_*>(block));
}
