#include <cstddef>
#include <cstdint>
#include <span>

#include "stickforge/drives.h"

namespace {

// Latin-1 stands for the ANSI code page, as in the logic's tests.
std::wstring fromAnsi(const std::string &text)
{
    std::wstring out;
    for (unsigned char c : text)
        out += wchar_t(c);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto ids = stickforge::parseDeviceDescriptor(std::span<const uint8_t>(data, size));
    if (ids) {
        const std::wstring text =
            stickforge::driveItemText(L'E', fromAnsi(ids->vendor), fromAnsi(ids->product), size * 1000003ull);
        if (text.size() < 4 || text[1] != L':')
            __builtin_trap();
        for (wchar_t c : text) {
            if (unsigned(c) < 0x20 || (unsigned(c) >= 0x7f && unsigned(c) < 0xa0))
                __builtin_trap(); // control characters are shown escaped
        }
    }
    return 0;
}
