#include "hivemend/CAppRegstry.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "hivemend/hivebackup.h"
#include "hivemend/regfile.h"
#include "hivemend/regstring.h"
#include "hivemend/text.h"
#include "hivemend/unicode.h"
#include "keyaction.h"

using namespace hivemend;

namespace {

struct Route {
    const char* prefix;
    int index;
    const char* keyPrefix;  // put before the rest of the path
};

// In the order they are tested.
constexpr Route kRoutes[] = {
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\", 0, ""}, {"HKEY_LOCAL_MACHINE\\SYSTEM\\", 3, ""},
    {"HKEY_CURRENT_USER\\", 8, ""},            {"HKEY_LOCAL_MACHINE\\SECURITY\\", 2, ""},
    {"HKEY_LOCAL_MACHINE\\SAM\\", 1, ""},      {"HKEY_CLASSES_ROOT\\", 0, "Classes\\"},
    {"HKEY_USERS\\.DEFAULT\\", 4, ""},         {"HKEY_USERS\\S-1-5-18\\", 5, ""},
    {"HKEY_USERS\\S-1-5-19\\", 6, ""},
};
constexpr int kNotRouted = 10;

const char* hive_file(int index, bool xp) {
    switch (index) {
    case 0:
    case 9: return "/Windows/System32/config/SOFTWARE";
    case 1: return "/Windows/System32/config/SAM";
    case 2: return "/Windows/System32/config/SECURITY";
    case 3: return "/Windows/System32/config/SYSTEM";
    case 4: return "/Windows/System32/config/DEFAULT";
    case 5: return "/Windows/ServiceProfiles/LocalService/NTUSER.DAT";
    case 6: return "/Windows/ServiceProfiles/NetworkService/NTUSER.DAT";
    case 8: return xp ? "/Documents and Settings" : "/Users";
    default: return "";
    }
}

// The first 16 characters of a REG_SZ value in UTF-8, into `dst` of `size`
// bytes; `dst` is left as it was when the value is missing.
void read_text(CKRegstry& r, unsigned key, const char* name, char* dst, int size) {
    char raw[32];
    const int len = r.GetStringValue(key, name, raw, sizeof raw);
    if (len <= 0) return;
    int bytes = len < static_cast<int>(sizeof raw) ? len : static_cast<int>(sizeof raw);
    for (int i = 0; i + 1 < bytes; i += 2)
        if (!raw[i] && !raw[i + 1]) bytes = i;
    const int n = unc_to_utf8(raw, bytes, dst, size - 1);
    dst[n] = 0;
}

}  // namespace

CAppRegstry::CAppRegstry() = default;

CAppRegstry::~CAppRegstry() = default;

void CAppRegstry::SetHiveFileDriver(const char* root) {
    if (!root || strcpy_s(rootPath, sizeof rootPath, root) != 0) {
        rootPath[0] = 0;
        throw std::runtime_error(std::string("Windows folder path too long: ") + (root ? root : "(null)"));
    }
    GetWindowsInfo();
}

void CAppRegstry::GetWindowsInfo() {
    char file[260];
    GetHiveFile(0, file);
    CKRegstry r;
    r.OpenFileHive(file);
    const unsigned key = r.GetOffset("Microsoft\\Windows NT\\CurrentVersion", 0);
    if (key) {
        read_text(r, key, "CurrentVersion", version, sizeof version);
        read_text(r, key, "SystemRoot", systemRoot, sizeof systemRoot);
    }
    r.CloseHive();
}

bool CAppRegstry::IsXP() const { return strcmp(version, "5.1") == 0; }

const char* CAppRegstry::GetVersion() const { return version; }

const char* CAppRegstry::GetSystemRoot() const { return systemRoot; }

int CAppRegstry::GetHiveFile(int index, char* dst) {
    char path[260] = "";
    if (strcpy_s(path, sizeof path, rootPath) != 0 || strcat_s(path, sizeof path, hive_file(index, IsXP())) != 0) {
        dst[0] = 0;
        return -1;
    }
    if (!parse_insensitive_path(path, dst, 260)) strcpy_s(dst, 260, path);
    return 0;
}

int CAppRegstry::ParseKeyPath(const char* path, char* dst, int* index) {
    *index = kNotRouted;
    if (!path) return 0;
    for (const Route& r : kRoutes) {
        const int n = static_cast<int>(strlen(r.prefix));
        if (strn_casecmp(path, r.prefix, n) != 0) continue;
        *index = r.index;
        return strcat_s(dst, 324, r.keyPrefix) == 0 && strcat_s(dst, 324, path + n) == 0 ? 0 : -1;
    }
    return strcat_s(dst, 324, path) == 0 ? 0 : -1;
}

CKRegstry* CAppRegstry::SingleHive(int index, const char* file) {
    std::unique_ptr<CKRegstry>* slot = nullptr;
    switch (index) {
    case 1: slot = &sam; break;
    case 2: slot = &security; break;
    case 4: slot = &defaultHive; break;
    case 5: slot = &localService; break;
    case 3:
        if (!systemHive) {
            systemHive = std::make_unique<CKRegstrySystem>();
            systemHive->OpenFileHive(file);
        }
        return systemHive.get();
    default: return nullptr;
    }
    if (!*slot) {
        *slot = std::make_unique<CKRegstry>();
        (*slot)->OpenFileHive(file);
    }
    return slot->get();
}

_APP_REG_HANDLE* CAppRegstry::OpenKey(const char* path, int create) {
    char keyPath[324] = "";
    int index = kNotRouted;
    if (ParseKeyPath(path, keyPath, &index) != 0 || index == kNotRouted) return nullptr;
    char file[260];
    if (GetHiveFile(index, file) != 0) return nullptr;
    if (index == 0) {
        if (!software) {
            software = std::make_unique<CKRegstrySoftware>();
            software->SetWow6432(mode);
            software->LoadHive(file);
        }
        return software->OpenKey(keyPath, 0, create);
    }
    if (index == 8) {
        if (!users) {
            users = std::make_unique<CRegNtuser>();
            users->LoadHive(file);
        }
        return users->OpenKey(keyPath, 0, create);
    }
    CKRegstry* object = SingleHive(index, file);
    if (!object || !object->IsValid()) return nullptr;
    unsigned key = object->OpenKey(keyPath, 0);
    if (!key && create) {
        char translated[324];
        if (object->ConverKeypath(keyPath, translated) == 0) key = object->CKRegstry::AddSubKey(0, translated, nullptr);
    }
    return new _APP_REG_HANDLE{key, index, object};
}

void CAppRegstry::CloseKey(_APP_REG_HANDLE* handle) {
    if (!handle) return;
    delete handle->table();
    delete handle;
}

int CAppRegstry::CheckAddKey(const _APP_REG_HANDLE* handle) {
    if (!handle) return 0;
    if (handle->hiveIndex == 0) return CKRegstrySoftware::CheckAddKey(handle);
    if (handle->hiveIndex == 8) return CRegNtuser::CheckAddKey(handle);
    return handle->key == 0 ? 1 : 0;
}

int CAppRegstry::CheckDelKey(const _APP_REG_HANDLE* handle) {
    if (!handle) return 0;
    if (handle->hiveIndex == 0) return CKRegstrySoftware::CheckDelKey(handle);
    if (handle->hiveIndex == 8) return CRegNtuser::CheckDelKey(handle);
    return handle->key != 0 ? 1 : 0;
}

int CAppRegstry::CheckEmpty(const _APP_REG_HANDLE* handle) {
    return handle && handle->hiveIndex == 8 ? CRegNtuser::CheckEmpty(handle) : 1;
}

int CAppRegstry::CheckValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len) {
    if (!handle || !name || !*name) return 1;
    if (handle->hiveIndex == 0) return software ? software->CheckValue(handle, name, type, data, len) : 0;
    if (handle->hiveIndex == 8) return users ? users->CheckValue(handle, name, type, data, len) : 0;
    return value_matches(handle->object, static_cast<unsigned>(handle->key), name, type, data, len) ? 1 : 0;
}

int CAppRegstry::FixKey(_APP_REG_HANDLE* handle, const char* name, int op, int type, const void* data, int len) {
    if (!handle) return 0;
    if (handle->hiveIndex == 0) return software ? software->FixKey(handle, name, op, type, data, len) : 0;
    if (handle->hiveIndex == 8) return users ? users->FixKey(handle, name, op, type, data, len) : 0;
    const FixResult r = fix_key(handle->object, static_cast<unsigned>(handle->key), name, op, type, data, len);
    if (r.key_gone) handle->key = 0;
    return r.result;
}

uintptr_t CAppRegstry::AddSubKey(_APP_REG_HANDLE* handle, const char* path, int* err) {
    if (!handle) return 0;
    char keyPath[324] = "";
    int index = kNotRouted;
    if (ParseKeyPath(path, keyPath, &index) != 0 || index == kNotRouted) return 0;
    if (index == 0) return software && handle->hiveIndex == 0 ? software->AddSubKey(handle, keyPath, err) : 0;
    if (index == 8) return users && handle->hiveIndex == 8 ? users->AddSubKey(handle, keyPath, err) : 0;
    if (!handle->object || !handle->object->IsValid() || index != handle->hiveIndex) return 0;
    char translated[324];
    if (handle->object->ConverKeypath(keyPath, translated) != 0) return 0;
    return handle->object->CKRegstry::AddSubKey(0, translated, err);
}

int CAppRegstry::ApplyChange() {
    int ok = 1;
    if (software && software->Regstry().IsValid() && !software->SaveHive()) ok = 0;
    for (CKRegstry* r : {static_cast<CKRegstry*>(systemHive.get()), security.get(), defaultHive.get(), sam.get(),
                         localService.get()})
        if (r && r->IsValid() && !r->SaveHive()) ok = 0;
    if (users && !users->SaveHive()) ok = 0;
    return ok;
}

int CAppRegstry::BakHiveFile() {
    int ok = 1;
    char file[260];
    for (const int index : {0, 3, 4, 2, 1, 5}) {
        if (GetHiveFile(index, file) != 0 || !BackupHiveWithLogs(file)) ok = 0;
    }
    if (GetHiveFile(8, file) != 0 || !CRegNtuser::BakHive(file)) ok = 0;
    return ok;
}

int CAppRegstry::RestoreHiveFile() {
    int ok = 1;
    char file[260];
    for (const int index : {0, 3, 4, 2, 1, 5}) {
        if (GetHiveFile(index, file) != 0 || !RestoreHiveWithLogs(file)) ok = 0;
    }
    if (GetHiveFile(8, file) != 0 || !CRegNtuser::RestoreHive(file)) ok = 0;
    return ok;
}

void CAppRegstry::SetWow6432(int m) {
    mode = m;
    if (software) software->SetWow6432(m);
}

int CAppRegstry::GetWow6432() const { return mode; }
