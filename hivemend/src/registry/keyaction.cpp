#include "keyaction.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "hivemend/CKRegstry.h"
#include "hivemend/lookup.h"

namespace hivemend {

namespace {

// Text handed in as data: at most `len` bytes, up to a zero byte.
std::string data_text(const void* data, int len) {
    if (!data || len <= 0) return {};
    const auto* p = static_cast<const char*>(data);
    return std::string(p, strnlen(p, static_cast<size_t>(len)));
}

}  // namespace

FixResult fix_key(CKRegstry* hive, unsigned key, const char* name, int op, int type, const void* data, int len) {
    FixResult r;
    if (!hive || !key) return r;
    r.ran = true;
    switch (op) {
    case 0: r.result = hive->DeleValueKey(key, name); break;
    case 1: r.result = hive->SetValue(key, type, name, data, len, 3); break;
    case 2: r.result = hive->SetValue(key, type, name, data, len, 1); break;
    case 3:
        r.result = hive->DeleCurentKey(key, name);
        r.key_gone = r.result == 1 && !name;
        break;
    case 4: r.result = static_cast<int>(hive->ReNameSubkey(key, name, data_text(data, len).c_str())); break;
    case 5: r.result = static_cast<int>(hive->AddSubKey(key, data_text(data, len).c_str(), nullptr)); break;
    case 7: r.result = hive->FindValueName(key, name); break;
    default: break;
    }
    return r;
}

bool value_matches(CKRegstry* hive, unsigned key, const char* name, int type, const void* data, int len) {
    if (!hive || !key) return false;
    int stored_type = 0;
    void* buf = nullptr;
    const int n = hive->ReadValue(key, name, &stored_type, &buf);
    const bool same = n >= 0 && stored_type == type && n == len &&
                      (len == 0 || (data && memcmp(vb_data(static_cast<ValueBuffer*>(buf)), data, static_cast<size_t>(len)) == 0));
    CKRegstry::FreeValue(buf);
    return same;
}

}  // namespace hivemend
