#pragma once

// The users' hives: offline there is no single HKEY_CURRENT_USER, so a
// handle covers the NTUSER.DAT of every user profile found in the users
// folder. Profiles that are no person's ("Default", "All Users", "Default
// User", "LocalService", "NetWorkService", any letter case) are skipped.

#include <memory>
#include <string>
#include <vector>

#include "hivemend/AppRegHandle.h"
#include "hivemend/CKRegstry.h"
#include "hivemend/export.h"

class HIVEMEND_API CRegNtuser {
public:
    CRegNtuser();
    virtual ~CRegNtuser();
    CRegNtuser(const CRegNtuser&) = delete;
    CRegNtuser& operator=(const CRegNtuser&) = delete;

    // Opens every user hive of `folder`; the number open. A profile whose
    // NTUSER.DAT cannot be opened (no regular file, empty, no hive) is left
    // out and named in Problems(), so that what covers the users can say
    // that they were not all judged.
    int LoadHive(const char* folder);
    // "cannot open PATH: reason" for each profile hive LoadHive could not open.
    const std::vector<std::string>& Problems() const;
    // Closes every user hive without saving.
    void closeHive();
    // 1 when every user hive was saved or had nothing to save.
    int SaveHive();
    int HiveCount() const;
    CKRegstry* UserHive(int i);

    // A handle with the key offset of `path` below `key` in every user hive;
    // with `create` the missing ones are made. Null without user hives.
    _APP_REG_HANDLE* OpenKey(const char* path, int key, int create);
    static void CloseKey(_APP_REG_HANDLE* handle);
    static int CheckAddKey(const _APP_REG_HANDLE* handle);
    static int CheckDelKey(const _APP_REG_HANDLE* handle);
    // 1 when at least one user hive has the key.
    static int CheckEmpty(const _APP_REG_HANDLE* handle);
    int CheckValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len);
    uintptr_t AddSubKey(_APP_REG_HANDLE* handle, const char* path, int* err);
    int FixKey(_APP_REG_HANDLE* handle, const char* name, int op, int type, const void* data, int len);

    // Copies each user hive of `folder` and its logs to their ".bhv"
    // backups (never over an existing one) / the backups back; 1 when every
    // copy was made.
    static int BakHive(const char* folder);
    static int RestoreHive(const char* folder);
    // Appends the user hive paths of `folder` to `out`: their number; 0 when
    // the folder does not exist, -1 when it is empty.
    static int GetUserHive(const char* folder, std::vector<std::string>* out);
    static int GetUserHiveList(const char* folder, std::vector<std::string>* out);
    // True when the file is a regular file starting with "regf".
    static bool IsRegFile(const char* path);
    // Why the file is no such hive file; "" when it is one.
    static std::string NotAHive(const char* path);
    // The NTUSER.DAT entries (of any kind, as named on disk) of the person
    // profiles of `folder`; `*empty` when the folder has no entries at all.
    static std::vector<std::string> ProfileHives(const char* folder, bool* empty = nullptr);

private:
    std::vector<std::unique_ptr<CKRegstry>> hives;
    std::vector<std::string> problems;
};
