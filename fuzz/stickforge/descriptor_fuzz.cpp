#include <cstddef>
#include <cstdint>
#include <span>

#include "stickforge/drives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto ids = stickforge::parseDeviceDescriptor(std::span<const uint8_t>(data, size));
    if (ids) {
        const std::wstring vendor(ids->vendor.begin(), ids->vendor.end());
        const std::wstring product(ids->product.begin(), ids->product.end());
        const std::wstring text = stickforge::driveItemText(L'E', vendor, product, size * 1000003ull);
        if (text.size() < 4 || text[1] != L':')
            __builtin_trap();
        for (wchar_t c : text) {
            if (c < 0x20)
                __builtin_trap(); // control characters are shown escaped
        }
    }
    return 0;
}
