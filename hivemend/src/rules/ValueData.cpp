// Value data from text: the forms of the rule database and of registry text
// file lines.

#include "ValueData.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/diag.h"
#include "hivemend/RuleModel.h"
#include "hivemend/ruletext.h"
#include "hivemend/unicode.h"
#include "regtext/valuetext.h"

namespace hivemend {

namespace {

void put_dword(void* out, uint32_t v) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    memcpy(out, bytes, sizeof bytes);
}

}  // namespace

int convert_data(const char* type, const char* text, char* out, int outSize) {
    if (!type || !text || !out || outSize <= 0) return 0;
    if (strcmp(type, "REG_SZ") == 0) {
        if (outSize < 2) return 0;
        if (!*text) diag_puts("data len =00 ");
        // The text takes at most outSize - 2 bytes, so that its terminator
        // fits also in a buffer of odd size.
        const int n = utf8_to_unicode(text, static_cast<int>(strlen(text)), out, outSize - 1);
        out[n] = 0;
        out[n + 1] = 0;
        return n + 2;
    }
    if (strcmp(type, "REG_EXPAND_SZ") == 0 || strcmp(type, "REG_BINARY") == 0)
        return Hex2ToByte(text, out, static_cast<unsigned>(outSize));
    if (strcmp(type, "REG_DWORD") == 0) {
        if (outSize < 4) return 0;
        put_dword(out, static_cast<uint32_t>(strtoll(text, nullptr, 10)));
        return 4;
    }
    return 0;
}

unsigned parse_line(char* line, _VNAME_DATA_* out, unsigned size, unsigned* needed) {
    if (!line || !out) return 0;
    const char* eq = strchr(line, '=');
    if (!eq) {
        IgnChrCpy(line, out->name, "\"", sizeof out->name - 1);
        return 1;
    }
    const size_t rest = strlen(eq);
    if (rest > size) {
        if (needed) *needed = static_cast<unsigned>(rest);
        return 0;
    }
    // The body of each form ends where the line ends.
    const regtext::ValueParts parts = regtext::split_value(eq + 1, false);
    if (parts.form == regtext::ValueForm::Dword) {
        // "=dword:" alone is longer than 4, so the 4 bytes fit in `size`.
        out->type = 4;
        out->length = 4;
        put_dword(out->data(), HexToDec(parts.body.data()));
    } else if (parts.form == regtext::ValueForm::Hex) {
        out->type = 3;
        out->length = Hex2ToByte(parts.body.data(), reinterpret_cast<char*>(out->data()), size);
    } else if (parts.form == regtext::ValueForm::Quoted) {
        // `rest` is at most `size`, so the quoted text is shorter than both.
        std::string text(rest, '\0');
        const unsigned n = IgnChrCpy(parts.body.data(), text.data(), "\"", static_cast<unsigned>(rest - 1));
        out->type = 1;
        // One byte more than the room lets the conversion fill all of it.
        const int room = size < 0x7FFFFFFEu ? static_cast<int>(size) : 0x7FFFFFFE;
        out->length =
            utf8_to_unicode(text.c_str(), static_cast<int>(n), reinterpret_cast<char*>(out->data()), room + 1);
    }
    const unsigned name_len = static_cast<unsigned>(eq - line);
    IgnChrCpy(line, out->name, "\"", name_len < sizeof out->name - 1 ? name_len : sizeof out->name - 1);
    return 1;
}

}  // namespace hivemend
