#include "hivemend/CKRegstrySoftware.h"

#include <cstring>

#include "hivemend/regstring.h"
#include "hivemend/text.h"
#include "keyaction.h"

using namespace hivemend;

namespace {

constexpr const char kMirror[] = "Wow6432Node";

bool starts_with_name(const char* path, const char* name) {
    const size_t n = strlen(name);
    return strn_casecmp(path, name, static_cast<int>(n)) == 0 && path[n] == '\\';
}

}  // namespace

CKRegstrySoftware::CKRegstrySoftware() = default;

CKRegstrySoftware::~CKRegstrySoftware() = default;

void CKRegstrySoftware::LoadHive(const char* path) { regstry.OpenFileHive(path); }

int CKRegstrySoftware::SaveHive() { return regstry.SaveHive(); }

void CKRegstrySoftware::CloseHive() { regstry.CloseHive(); }

void CKRegstrySoftware::SetWow6432(int m) { mode = m; }

int CKRegstrySoftware::GetWow6432() const { return mode; }

CKRegstry& CKRegstrySoftware::Regstry() { return regstry; }

int CKRegstrySoftware::GetWow6432Keypath(const char* path, char* dst) {
    if (!path || !dst || !regstry.IsValid()) return 0;
    if (starts_with_name(path, "Classes") || starts_with_name(path, kMirror)) return 0;
    if (!regstry.GetOffset(kMirror, 0)) return 0;
    dst[0] = 0;
    if (strcpy_s(dst, 324, kMirror) != 0 || strcat_s(dst, 324, "\\") != 0 || strcat_s(dst, 324, path) != 0) {
        dst[0] = 0;
        return 0;
    }
    return 1;
}

_APP_REG_HANDLE* CKRegstrySoftware::OpenKey(const char* path, int key, int create) {
    if (!regstry.IsValid() || !path) return nullptr;
    char mirror[324] = "";
    const bool has_mirror = key == 0 && GetWow6432Keypath(path, mirror);
    const bool native_on = key != 0 || mode != 3;
    const bool mirror_on = has_mirror && mode != 2;
    auto* table = new _APP_REG_TABLE;
    table->entries.push_back({native_on ? 0 : 1, 2, native_on ? regstry.GetOffset(path, key) : 0});
    table->entries.push_back({mirror_on ? 0 : 1, 1, mirror_on ? regstry.GetOffset(mirror, 0) : 0});
    if (create) {
        if (native_on && !table->entries[0].key)
            table->entries[0].key = regstry.AddSubKey(static_cast<unsigned>(key), path, nullptr);
        if (mirror_on && !table->entries[1].key) table->entries[1].key = regstry.AddSubKey(0, mirror, nullptr);
    }
    return new _APP_REG_HANDLE{reinterpret_cast<uintptr_t>(table), 0, nullptr};
}

void CKRegstrySoftware::CloseKey(_APP_REG_HANDLE* handle) { free_handle(handle); }

int CKRegstrySoftware::CheckAddKey(const _APP_REG_HANDLE* handle) {
    if (!handle || !handle->table()) return 0;
    for (const _APP_REG_ENTRY& e : handle->table()->entries)
        if (!e.inactive && !e.key) return 1;
    return 0;
}

int CKRegstrySoftware::CheckDelKey(const _APP_REG_HANDLE* handle) {
    if (!handle || !handle->table()) return 0;
    for (const _APP_REG_ENTRY& e : handle->table()->entries)
        if (!e.inactive && e.key) return 1;
    return 0;
}

int CKRegstrySoftware::CheckValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data,
                                  int len) {
    if (!handle || !handle->table()) return 0;
    int compared = 0;
    for (const _APP_REG_ENTRY& e : handle->table()->entries) {
        if (e.inactive) continue;
        if (!value_matches(&regstry, e.key, name, type, data, len)) return 0;
        ++compared;
    }
    return compared ? 1 : 0;
}

uintptr_t CKRegstrySoftware::AddSubKey(_APP_REG_HANDLE* handle, const char* path, int* err) {
    if (!handle || !handle->table() || !regstry.IsValid() || !path) return 0;
    char mirror[324] = "";
    for (_APP_REG_ENTRY& e : handle->table()->entries) {
        if (e.inactive || e.key) continue;
        if (e.view == 2) {
            e.key = regstry.AddSubKey(0, path, err);
        } else if (GetWow6432Keypath(path, mirror)) {
            e.key = regstry.AddSubKey(0, mirror, err);
        }
    }
    return handle->key;
}

int CKRegstrySoftware::FixKey(_APP_REG_HANDLE* handle, const char* name, int op, int type, const void* data, int len) {
    if (!handle || !handle->table()) return 0;
    int result = 0;
    for (_APP_REG_ENTRY& e : handle->table()->entries) {
        if (e.inactive) continue;
        const FixResult r = fix_key(&regstry, e.key, name, op, type, data, len);
        if (!r.ran) continue;
        result = r.result;
        if (r.key_gone) e.key = 0;
    }
    return result;
}
