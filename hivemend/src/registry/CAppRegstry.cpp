#include "hivemend/CAppRegstry.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "engine/encoding.h"
#include "hivemend/hivebackup.h"
#include "hivemend/lookup.h"
#include "hivemend/recovery.h"
#include "hivemend/regfile.h"
#include "hivemend/regstring.h"
#include "hivemend/text.h"
#include "hivemend/unicode.h"
#include "keyaction.h"
#include "writable.h"

using namespace hivemend;

namespace {

struct Route {
    const char* prefix;
    int index;
    const char* keyPrefix;  // put before the rest of the path
};

// In the order they are tested.
constexpr Route kRoutes[] = {
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\", 0, ""},
    {"HKEY_LOCAL_MACHINE\\SYSTEM\\", 3, ""},
    {"HKEY_CURRENT_USER\\", 8, ""},
    {"HKEY_LOCAL_MACHINE\\SECURITY\\", 2, ""},
    {"HKEY_LOCAL_MACHINE\\SAM\\", 1, ""},
    {"HKEY_CLASSES_ROOT\\", 0, "Classes\\"},
    {"HKEY_USERS\\.DEFAULT\\", 4, ""},
    {"HKEY_USERS\\S-1-5-18\\", 5, ""},
    {"HKEY_USERS\\S-1-5-19\\", 6, ""},
};
constexpr int kNotRouted = 10;
// The machine's hive files that backups and restores cover, in their order.
constexpr int kMachineHives[] = {0, 3, 4, 2, 1, 5};

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

std::string open_failure(const char* file, const char* why) { return std::string("cannot open ") + file + ": " + why; }

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
    ReadProfileList(r);
    r.CloseHive();
}

void CAppRegstry::ReadProfileList(CKRegstry& hive) {
    profiles.clear();
    const unsigned list = hive.GetOffset("Microsoft\\Windows NT\\CurrentVersion\\ProfileList", 0);
    _REG_SUBKEYS sids{};
    if (!list || hive.EnumSubkeys(list, &sids, nullptr) != 0) return;
    // The users folder as ProfileImagePath spells it: "\Users" or
    // "\Documents and Settings", after the drive.
    const std::string folder = std::string(hive_file(8, IsXP())) + "/";
    for (int i = 0; i < sids.count; ++i) {
        if (strncmp(sids.names[i], "S-1-5-21-", 9) != 0) continue;
        int type = 0;
        void* data = nullptr;
        const int len = hive.ReadValue(sids.offsets[i], "ProfileImagePath", &type, &data);
        if (len > 0 && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::string text = utf16le_to_utf8(vb_data(static_cast<ValueBuffer*>(data)), static_cast<size_t>(len));
            text.resize(strlen(text.c_str()));
            for (char& c : text) c = c == '\\' ? '/' : c;
            const size_t drive = text.rfind("%SystemDrive%", 0) == 0 ? 13 : (text.size() > 1 && text[1] == ':' ? 2 : 0);
            const std::string rest = drive ? text.substr(drive) : std::string();
            if (rest.size() > folder.size() && strncasecmp(rest.c_str(), folder.c_str(), folder.size()) == 0 &&
                rest.find('/', folder.size()) == std::string::npos)
                profiles.push_back(rest.substr(folder.size()));
        }
        CKRegstry::FreeValue(data);
    }
    FreeSubKeylist(&sids);
}

void CAppRegstry::FindMissingUserHives(const char* folder) {
    userProblems.clear();
    for (const std::string& name : profiles) {
        char profile[260];
        struct stat st {};
        const std::string path = std::string(folder) + "/" + name;
        if (path.size() > 259 || !parse_insensitive_path(path.c_str(), profile, sizeof profile) ||
            stat(profile, &st) != 0 || !S_ISDIR(st.st_mode))
            continue;  // a profile whose folder is gone has left Windows too
        bool listed = false;
        for (const std::string& hive : CRegNtuser::ProfileHives(folder))
            if (hive.rfind(std::string(profile) + "/", 0) == 0) listed = true;
        if (!listed)
            userProblems.push_back(std::string(profile) + "/NTUSER.DAT is missing, though Windows lists the profile " +
                                   name);
    }
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
            if (!systemHive->OpenFileHive(file)) openFailures[3] = open_failure(file, systemHive->OpenError());
        }
        return systemHive.get();
    default: return nullptr;
    }
    if (!*slot) {
        *slot = std::make_unique<CKRegstry>();
        try {
            (*slot)->OpenFileHive(file);
        } catch (const std::exception&) {
            openFailures[index] = open_failure(file, (*slot)->OpenError());
            throw;
        }
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
            try {
                software->LoadHive(file);
            } catch (const std::exception&) {
                openFailures[0] = open_failure(file, software->Regstry().OpenError());
                throw;
            }
        }
        return software->OpenKey(keyPath, 0, create);
    }
    if (index == 8) {
        if (!users) {
            users = std::make_unique<CRegNtuser>();
            users->LoadHive(file);
            FindMissingUserHives(file);
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

std::string CAppRegstry::OpenProblem(const char* path) {
    char keyPath[324] = "";
    int index = kNotRouted;
    if (ParseKeyPath(path, keyPath, &index) != 0 || index == kNotRouted)
        return std::string("the key path ") + (path ? path : "") + " is in none of the hives the repair opens";
    if (index == 6) return "HKEY_USERS\\S-1-5-19\\ (the NetworkService profile) is not served";
    if (index != 8) return openFailures[index];
    if (!users) return {};
    std::string problems;
    std::vector<std::string> all = users->Problems();
    all.insert(all.end(), userProblems.begin(), userProblems.end());
    for (const std::string& p : all) problems += (problems.empty() ? "" : "; ") + p;
    if (problems.empty() && users->HiveCount() == 0) {
        char folder[260];
        GetHiveFile(8, folder);
        problems = std::string("no user profile with a hive in ") + folder;
    }
    return problems;
}

std::vector<std::string> CAppRegstry::FilesOf(int index) {
    std::vector<std::string> files;
    char file[260];
    if (index == 8) {
        for (int i = 0; users && i < users->HiveCount(); ++i)
            if (users->UserHive(i)->GetHiveFileName(file, sizeof file) == 0) files.emplace_back(file);
    } else if (GetHiveFile(index, file) == 0) {
        files.emplace_back(file);
    }
    return files;
}

std::string CAppRegstry::WriteProblem(const char* path) {
    char keyPath[324] = "";
    int index = kNotRouted;
    if (ParseKeyPath(path, keyPath, &index) != 0 || index == kNotRouted || index == 6) return {};
    return write_problem(FilesOf(index), rootPath);
}

std::string CAppRegstry::DamageOf(const _APP_REG_HANDLE* handle) {
    if (!handle) return {};
    std::vector<CKRegstry*> hives;
    if (handle->hiveIndex == 0 && software) hives.push_back(&software->Regstry());
    for (int i = 0; handle->hiveIndex == 8 && users && i < users->HiveCount(); ++i) hives.push_back(users->UserHive(i));
    if (!handle->covers_several() && handle->object) hives.push_back(handle->object);
    std::string damage;
    char file[260];
    for (CKRegstry* h : hives) {
        if (!*h->Damage() || h->GetHiveFileName(file, sizeof file) != 0) continue;
        damage += (damage.empty() ? "" : "; ") + std::string(file) + " is damaged (" + h->Damage() + ")";
    }
    return damage;
}

void CAppRegstry::CloseKey(_APP_REG_HANDLE* handle) { free_handle(handle); }

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

std::vector<std::pair<CKRegstry*, unsigned>> CAppRegstry::KeysOf(const _APP_REG_HANDLE* handle) {
    std::vector<std::pair<CKRegstry*, unsigned>> keys;
    if (!handle) return keys;
    if (handle->hiveIndex == 0) {
        for (const _APP_REG_ENTRY& e : handle->table()->entries)
            if (!e.inactive && software) keys.emplace_back(&software->Regstry(), e.key);
    } else if (handle->hiveIndex == 8) {
        const auto& entries = handle->table()->entries;
        for (size_t i = 0; users && i < entries.size(); ++i)
            keys.emplace_back(users->UserHive(static_cast<int>(i)), entries[i].key);
    } else {
        keys.emplace_back(handle->object, static_cast<unsigned>(handle->key));
    }
    return keys;
}

int CAppRegstry::CompareValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len,
                              bool ignoreCase) {
    int stands = 0;
    for (const auto& [hive, key] : KeysOf(handle)) stands |= value_stand(hive, key, name, type, data, len, ignoreCase);
    return stands;
}

int CAppRegstry::SetValueWhere(_APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len,
                               bool ignoreCase, int where) {
    int ok = 1;
    for (const auto& [hive, key] : KeysOf(handle)) {
        if (!(value_stand(hive, key, name, type, data, len, ignoreCase) & where & (VALUE_DIFFERENT | VALUE_MISSING)))
            continue;
        if (hive->SetValue(key, type, name, data, len, 3) != len ||
            value_stand(hive, key, name, type, data, len, false) != VALUE_SAME)
            ok = 0;
    }
    return ok;
}

int CAppRegstry::DeleteValueEverywhere(_APP_REG_HANDLE* handle, const char* name) {
    int ok = 1;
    for (const auto& [hive, key] : KeysOf(handle)) {
        if (!key || hive->FindValueName(key, name) == 0) continue;
        hive->DeleValueKey(key, name);
        if (hive->FindValueName(key, name) != 0) ok = 0;
    }
    return ok;
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
    lastFailure.clear();
    std::vector<CKRegstry*> hives{software ? &software->Regstry() : nullptr,
                                  systemHive.get(),
                                  security.get(),
                                  defaultHive.get(),
                                  sam.get(),
                                  localService.get()};
    for (int i = 0; users && i < users->HiveCount(); ++i) hives.push_back(users->UserHive(i));
    int ok = 1;
    char file[260];
    for (CKRegstry* r : hives) {
        if (!r || !r->IsValid() || r->SaveHive()) continue;
        const int err = errno;
        if (ok && r->GetHiveFileName(file, sizeof file) == 0)
            lastFailure = std::string("cannot save ") + file + ": " + strerror(err);
        ok = 0;
    }
    return ok;
}

int CAppRegstry::BakHiveFile() {
    lastFailure.clear();
    char file[260];
    std::vector<std::string> backups;
    for (const int index : kMachineHives)
        if (GetHiveFile(index, file) == 0 && CRegNtuser::IsRegFile(file)) backups.push_back(std::string(file) + ".bhv");
    if (GetHiveFile(8, file) == 0) {
        std::vector<std::string> userHives;
        CRegNtuser::GetUserHive(file, &userHives);
        for (const std::string& h : userHives) backups.push_back(h + ".bhv");
    }
    std::erase_if(backups, [](const std::string& b) { return access(b.c_str(), F_OK) == 0; });
    lastFailure = write_problem(backups, rootPath);
    if (!lastFailure.empty()) return 0;
    int ok = 1;
    for (const int index : kMachineHives) {
        if (GetHiveFile(index, file) != 0 || !BackupHiveWithLogs(file)) ok = 0;
    }
    if (GetHiveFile(8, file) != 0 || !CRegNtuser::BakHive(file)) ok = 0;
    return ok;
}

int CAppRegstry::RestoreHiveFile() {
    lastFailure.clear();
    char file[260];
    std::vector<std::string> restored;
    for (const int index : kMachineHives)
        if (GetHiveFile(index, file) == 0) restored.emplace_back(file);
    if (GetHiveFile(8, file) == 0) CRegNtuser::GetUserHive(file, &restored);
    std::erase_if(restored, [](const std::string& h) { return access((h + ".bhv").c_str(), F_OK) != 0; });
    // The logs whose backups go back with their hives must be writable too.
    const size_t hives = restored.size();
    for (size_t i = 0; i < hives; ++i)
        for (const std::string& saved : hive_log_files(restored[i].c_str(), ".bhv"))
            restored.push_back(saved.substr(0, saved.size() - 4));
    lastFailure = write_problem(restored, rootPath);
    if (!lastFailure.empty()) return 0;
    int ok = 1;
    for (const int index : kMachineHives) {
        if (GetHiveFile(index, file) != 0 || !RestoreHiveWithLogs(file)) ok = 0;
    }
    if (GetHiveFile(8, file) != 0 || !CRegNtuser::RestoreHive(file)) ok = 0;
    return ok;
}

const char* CAppRegstry::LastFailure() const { return lastFailure.c_str(); }

void CAppRegstry::SetWow6432(int m) {
    mode = m;
    if (software) software->SetWow6432(m);
}

int CAppRegstry::GetWow6432() const { return mode; }
