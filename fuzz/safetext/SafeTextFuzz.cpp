// Whatever the bytes, the escaped text holds no control character (C0, DEL,
// C1 as UTF-8), and escaping it again changes nothing.
#include <safetext/safetext.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string out = safetext::escaped(std::string_view(reinterpret_cast<const char*>(data), size));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x20 || c == 0x7f)
            std::abort();
        if (c == 0xc2 && i + 1 < out.size() && static_cast<unsigned char>(out[i + 1]) <= 0x9f)
            std::abort();
    }
    if (safetext::escaped(out) != out)
        std::abort();
    return 0;
}
