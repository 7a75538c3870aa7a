#pragma once

// What a handle's checks and fixes do to one key of one hive.

class CKRegstry;
struct _APP_REG_HANDLE;

namespace hivemend {

// The outcome of one FixKey action.
struct FixResult {
    bool ran = false;       // false: the key does not exist, nothing was done
    int result = 0;         // the operation's result
    bool key_gone = false;  // the key itself was deleted
};

// Runs FixKey operation `op` on `key` of `hive`. Keys that do not exist (0)
// are skipped: no value is written into, nor key created below, the root in
// their place.
FixResult fix_key(CKRegstry* hive, unsigned key, const char* name, int op, int type, const void* data, int len);

// How the value `name` of `key` stands against `type` and the `len` bytes
// of `data`: one of the VALUE_* bits of CAppRegstry::CompareValue. With
// `ignore_case`, the UTF-16LE text of REG_SZ and REG_EXPAND_SZ data is
// compared with the letters A-Z folded.
int value_stand(CKRegstry* hive, unsigned key, const char* name, int type, const void* data, int len, bool ignore_case);

// Whether `key` of `hive` holds the value `name` with type `type` and exactly
// the `len` bytes of `data`. A key that does not exist holds nothing.
bool value_matches(CKRegstry* hive, unsigned key, const char* name, int type, const void* data, int len);

// Frees a handle of the installation layer with its table; null is ignored.
// Every class that hands out handles closes them so.
void free_handle(_APP_REG_HANDLE* handle);

}  // namespace hivemend
