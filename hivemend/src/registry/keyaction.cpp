#include "keyaction.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/encoding.h"
#include "hivemend/AppRegHandle.h"
#include "hivemend/CAppRegstry.h"
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

int value_stand(CKRegstry* hive, unsigned key, const char* name, int type, const void* data, int len,
                bool ignore_case) {
    if (!hive || !key) return CAppRegstry::VALUE_NO_KEY;
    int stored_type = 0;
    void* buf = nullptr;
    const int n = hive->ReadValue(key, name, &stored_type, &buf);
    if (n < 0) return CAppRegstry::VALUE_MISSING;
    const auto* stored = vb_data(static_cast<ValueBuffer*>(buf));
    const auto* given = static_cast<const unsigned char*>(data);
    bool same = stored_type == type && n == len && (len == 0 || given);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    for (int i = 0; same && i < len; ++i) {
        unsigned a = stored[i], b = given[i];
        // Letters are the low byte of a UTF-16LE unit whose high byte is 0.
        if (ignore_case && text && i % 2 == 0 && (i + 1 >= len || (!stored[i + 1] && !given[i + 1]))) {
            a = fold_az(static_cast<unsigned char>(a));
            b = fold_az(static_cast<unsigned char>(b));
        }
        same = a == b;
    }
    CKRegstry::FreeValue(buf);
    return same ? CAppRegstry::VALUE_SAME : CAppRegstry::VALUE_DIFFERENT;
}

bool value_matches(CKRegstry* hive, unsigned key, const char* name, int type, const void* data, int len) {
    return value_stand(hive, key, name, type, data, len, false) == CAppRegstry::VALUE_SAME;
}

void free_handle(_APP_REG_HANDLE* handle) {
    if (!handle) return;
    delete handle->table();
    delete handle;
}

}  // namespace hivemend
