#include "hivemend/CRegNtuser.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <initializer_list>

#include "engine/open_file.h"
#include "hivemend/hive.h"
#include "hivemend/hivebackup.h"
#include "hivemend/regfile.h"
#include "keyaction.h"

using namespace hivemend;

namespace {

bool skipped_profile(const std::string& name) {
    for (const char* skip : {"default", "All Users", "Default User", "LocalService", "NetWorkService"})
        if (strcasecmp(name.c_str(), skip) == 0) return true;
    return false;
}

bool is_folder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether a folder holds an entry of the name, in any letter case and of any
// kind (a dangling link too); its path as it is on disk in `out`.
bool entry_exists(const std::string& path, char* out, size_t size) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (path.size() >= size) return false;
        memcpy(out, path.c_str(), path.size() + 1);
        return true;
    }
    const size_t slash = path.rfind('/');
    char folder[260];
    if (!parse_insensitive_path(path.substr(0, slash).c_str(), folder, sizeof folder)) return false;
    DIR* d = opendir(folder);
    if (!d) return false;
    const std::string name = path.substr(slash + 1);
    bool found = false;
    while (const dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) != 0) continue;
        found = snprintf(out, size, "%s/%s", folder, e->d_name) < static_cast<int>(size);
        break;
    }
    closedir(d);
    return found;
}

}  // namespace

CRegNtuser::CRegNtuser() = default;

CRegNtuser::~CRegNtuser() = default;

int CRegNtuser::LoadHive(const char* folder) {
    if (!hives.empty() || !problems.empty()) return HiveCount();
    for (const std::string& p : ProfileHives(folder)) {
        auto r = std::make_unique<CKRegstry>();
        if (!IsRegFile(p.c_str())) {
            problems.push_back("cannot open " + p + ": " + NotAHive(p.c_str()));
            continue;
        }
        try {
            r->OpenFileHive(p.c_str());
            hives.push_back(std::move(r));
        } catch (const std::exception&) {
            problems.push_back("cannot open " + p + ": " + r->OpenError());
        }
    }
    return HiveCount();
}

const std::vector<std::string>& CRegNtuser::Problems() const { return problems; }

void CRegNtuser::closeHive() {
    hives.clear();
    problems.clear();
}

int CRegNtuser::SaveHive() {
    int ok = 1;
    for (const auto& h : hives)
        if (!h->SaveHive()) ok = 0;
    return ok;
}

int CRegNtuser::HiveCount() const { return static_cast<int>(hives.size()); }

CKRegstry* CRegNtuser::UserHive(int i) {
    return i >= 0 && i < HiveCount() ? hives[static_cast<size_t>(i)].get() : nullptr;
}

_APP_REG_HANDLE* CRegNtuser::OpenKey(const char* path, int key, int create) {
    if (hives.empty() || !path) return nullptr;
    auto* table = new _APP_REG_TABLE;
    for (const auto& h : hives) {
        unsigned k = h->OpenKey(path, key);
        if (!k && create) k = h->AddSubKey(static_cast<unsigned>(key), path, nullptr);
        table->entries.push_back({0, 0, k});
    }
    return new _APP_REG_HANDLE{reinterpret_cast<uintptr_t>(table), 8, nullptr};
}

void CRegNtuser::CloseKey(_APP_REG_HANDLE* handle) { free_handle(handle); }

int CRegNtuser::CheckAddKey(const _APP_REG_HANDLE* handle) {
    if (!handle || !handle->table()) return 0;
    for (const _APP_REG_ENTRY& e : handle->table()->entries)
        if (!e.key) return 1;
    return 0;
}

int CRegNtuser::CheckDelKey(const _APP_REG_HANDLE* handle) {
    if (!handle || !handle->table()) return 0;
    for (const _APP_REG_ENTRY& e : handle->table()->entries)
        if (e.key) return 1;
    return 0;
}

int CRegNtuser::CheckEmpty(const _APP_REG_HANDLE* handle) { return CheckDelKey(handle); }

int CRegNtuser::CheckValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len) {
    if (!handle || !handle->table() || handle->table()->entries.empty()) return 0;
    const auto& entries = handle->table()->entries;
    for (size_t i = 0; i < entries.size(); ++i)
        if (!value_matches(UserHive(static_cast<int>(i)), entries[i].key, name, type, data, len)) return 0;
    return 1;
}

uintptr_t CRegNtuser::AddSubKey(_APP_REG_HANDLE* handle, const char* path, int* err) {
    if (!handle || !handle->table() || !path) return 0;
    auto& entries = handle->table()->entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        CKRegstry* h = UserHive(static_cast<int>(i));
        if (h && !entries[i].key) entries[i].key = h->AddSubKey(0, path, err);
    }
    return handle->key;
}

int CRegNtuser::FixKey(_APP_REG_HANDLE* handle, const char* name, int op, int type, const void* data, int len) {
    if (!handle || !handle->table()) return 0;
    int result = 0;
    auto& entries = handle->table()->entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        const FixResult r = fix_key(UserHive(static_cast<int>(i)), entries[i].key, name, op, type, data, len);
        if (!r.ran) continue;
        result = r.result;
        if (r.key_gone) entries[i].key = 0;
    }
    return result;
}

int CRegNtuser::BakHive(const char* folder) {
    std::vector<std::string> paths;
    GetUserHive(folder, &paths);
    int ok = 1;
    for (const std::string& p : paths)
        if (!BackupHiveWithLogs(p.c_str())) ok = 0;
    return ok;
}

int CRegNtuser::RestoreHive(const char* folder) {
    std::vector<std::string> paths;
    GetUserHive(folder, &paths);
    int ok = 1;
    for (const std::string& p : paths)
        if (!RestoreHiveWithLogs(p.c_str())) ok = 0;
    return ok;
}

std::vector<std::string> CRegNtuser::ProfileHives(const char* folder, bool* empty) {
    std::vector<std::string> found;
    if (empty) *empty = false;
    if (!folder || !is_folder(folder)) return found;
    DIR* d = opendir(folder);
    if (!d) return found;
    std::vector<std::string> folders;
    bool any = false;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        any = true;
        if (is_folder(std::string(folder) + "/" + name)) folders.push_back(name);
    }
    closedir(d);
    if (empty) *empty = !any;
    std::sort(folders.begin(), folders.end());
    for (const std::string& name : folders) {
        if (skipped_profile(name)) continue;
        const std::string path = std::string(folder) + "/" + name + "/NTUSER.DAT";
        char resolved[260];
        if (path.size() <= 259 && entry_exists(path, resolved, sizeof resolved)) found.emplace_back(resolved);
    }
    return found;
}

int CRegNtuser::GetUserHive(const char* folder, std::vector<std::string>* out) {
    if (!out) return 0;
    bool empty = false;
    const std::vector<std::string> hives = ProfileHives(folder, &empty);
    if (empty) return -1;
    for (const std::string& p : hives)
        if (IsRegFile(p.c_str())) out->push_back(p);
    return static_cast<int>(out->size());
}

int CRegNtuser::GetUserHiveList(const char* folder, std::vector<std::string>* out) { return GetUserHive(folder, out); }

bool CRegNtuser::IsRegFile(const char* path) { return path && NotAHive(path).empty(); }

std::string CRegNtuser::NotAHive(const char* path) {
    long len = 0;
    FILE* f = open_for_loading(path, &len);
    if (!f) return hive_open_error();
    char sig[4];
    const bool ok = fread(sig, 1, 4, f) == 4 && memcmp(sig, "regf", 4) == 0;
    fclose(f);
    return ok ? std::string() : "not a registry hive (no 'regf' signature)";
}
