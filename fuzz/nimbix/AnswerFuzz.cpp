// The lookup service's JSON answer -> verdict record.
#include "AnswerVerdict.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const auto record = Cloud::verdict_from_answer(std::string(reinterpret_cast<const char*>(data), size));
        if (record.second < Cloud::FILE_DANGEROUS || record.second > Cloud::FILE_WAIT_FOR_SCAN)
            std::abort();
        if ((record.second == Cloud::FILE_NOT_FOUND || record.second == Cloud::FILE_WAIT_FOR_SCAN)
            && !record.first.isEmpty())
            std::abort();
    } catch (const std::exception& e) {
        // Not JSON: the documented failure, which names a byte of the answer.
        const std::string what = e.what();
        const auto at = what.rfind(" at byte ");
        if (at != std::string::npos && std::stoull(what.substr(at + 9)) > size)
            std::abort();
    }
    return 0;
}
