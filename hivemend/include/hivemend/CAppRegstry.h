#pragma once

// The registry of one offline Windows installation as the repair engine sees
// it: full registry paths go in, the hive file that holds the key is found
// below the installation's root folder (whatever the letter case on disk),
// opened on first use, and a handle is handed out on which checks and fixes
// work. Changes stay in memory until ApplyChange.
//
// Routing (prefixes compared without regard to letter case):
//
//   HKEY_LOCAL_MACHINE\SOFTWARE\   0  Windows/System32/config/SOFTWARE
//   HKEY_LOCAL_MACHINE\SYSTEM\     3  Windows/System32/config/SYSTEM
//   HKEY_CURRENT_USER\             8  every user's NTUSER.DAT below
//                                     "Documents and Settings" (version 5.1) or "Users"
//   HKEY_LOCAL_MACHINE\SECURITY\   2  Windows/System32/config/SECURITY
//   HKEY_LOCAL_MACHINE\SAM\        1  Windows/System32/config/SAM
//   HKEY_CLASSES_ROOT\             0  SOFTWARE, key path "Classes\" + the rest
//   HKEY_USERS\.DEFAULT\           4  Windows/System32/config/DEFAULT
//   HKEY_USERS\S-1-5-18\           5  Windows/ServiceProfiles/LocalService/NTUSER.DAT
//   HKEY_USERS\S-1-5-19\           6  not served
//   anything else                 10  not routed

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "hivemend/AppRegHandle.h"
#include "hivemend/CKRegstry.h"
#include "hivemend/CKRegstrySoftware.h"
#include "hivemend/CKRegstrySystem.h"
#include "hivemend/CRegNtuser.h"
#include "hivemend/export.h"
#include "hivemend/recovery.h"

class HIVEMEND_API CAppRegstry {
public:
    CAppRegstry();
    // Closes every open hive without saving it.
    ~CAppRegstry();
    CAppRegstry(const CAppRegstry&) = delete;
    CAppRegstry& operator=(const CAppRegstry&) = delete;

    // The mount folder of the Windows drive (the caller resolves where that
    // is, RESCUESCAN_SYSROOT included). Reads the Windows version from the
    // SOFTWARE hive; throws std::runtime_error when that hive cannot be
    // opened, or when `root` has more than 255 characters.
    void SetHiveFileDriver(const char* root);
    void GetWindowsInfo();
    bool IsXP() const;
    // CurrentVersion and SystemRoot (its first 16 characters) as read.
    const char* GetVersion() const;
    const char* GetSystemRoot() const;

    // The file (or, for 8, the users folder) of hive `index` in `dst` (260
    // bytes), letter case resolved on disk where it exists; -1 when it does
    // not fit.
    int GetHiveFile(int index, char* dst);
    // `*index` of the path's root; its key path inside the hive appended to
    // `dst` (324 bytes); 0, or -1 when it does not fit.
    int ParseKeyPath(const char* path, char* dst, int* index);

    // A handle for the key of the full registry path `path`, also when the
    // key does not exist; with `create` missing keys are made. Null for a
    // path that is not routed, a hive that is not there, or HKEY_CURRENT_USER
    // without user hives. The first use of SOFTWARE, SAM, SECURITY, DEFAULT,
    // LocalService or the users' hives throws std::runtime_error when the
    // hive cannot be opened; later uses of it give null.
    _APP_REG_HANDLE* OpenKey(const char* path, int create);
    // Releases a handle; null is ignored.
    void CloseKey(_APP_REG_HANDLE* handle);
    // 1 when the key is missing in at least one active entry.
    int CheckAddKey(const _APP_REG_HANDLE* handle);
    // 1 when the key exists in at least one active entry.
    int CheckDelKey(const _APP_REG_HANDLE* handle);
    // Users handle: 1 when at least one user hive has the key; others: 1.
    int CheckEmpty(const _APP_REG_HANDLE* handle);
    // 1 when the value exists with type `type` and exactly these `len` bytes
    // in every active entry; 1 for a null handle or a null or empty `name`.
    int CheckValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len);
    // Operation `op` on each existing key of the handle:
    //   0 delete value `name`              -> 0
    //   1 set value `name` (create/replace) -> len, 0 on failure
    //   2 create value `name` only          -> len, 0, -1 when it existed
    //   3 delete the key itself (`name` null) or its sibling `name` -> 1, 0
    //   4 rename subkey `name` to the text in `data` -> new key offset, 0
    //   5 create the key path in `data` below the key -> key offset, 0
    //   7 find value `name`                 -> vk cell offset, 0
    // The result of the last key acted on; 0 for a null handle or when no
    // key of the handle exists.
    int FixKey(_APP_REG_HANDLE* handle, const char* name, int op, int type, const void* data, int len);
    // Creates the key of the full registry path `path` from its hive's root
    // where it is missing; returns what the handle's `key` must hold
    // afterwards: the new key's offset (0 on failure) for single-file hives,
    // the handle's table for SOFTWARE and users handles.
    uintptr_t AddSubKey(_APP_REG_HANDLE* handle, const char* path, int* err);

    // Saves every changed hive (SOFTWARE, SYSTEM, SECURITY, DEFAULT, SAM,
    // LocalService, the users'); 1 when every save succeeded.
    int ApplyChange();
    // Copies each hive file, with the transaction logs beside it, to the
    // same paths + ".bhv", never over an existing backup, so the backups
    // keep the state of the first one made; 1 when every copy was made.
    int BakHiveFile();
    // Copies the backups back over SOFTWARE, SYSTEM, DEFAULT, SECURITY, SAM,
    // LocalService and the users' hives and their logs; 1 when every copy
    // was made. Open hives keep their images in memory.
    int RestoreHiveFile();
    void SetWow6432(int mode);
    int GetWow6432() const;
    // Every hive opened so far (path as opened), with what opening did with
    // its transaction logs.
    std::vector<std::pair<std::string, HiveRecovery>> HiveLogStates();

private:
    CKRegstry* SingleHive(int index, const char* file);

    char rootPath[256] = {};
    int mode = 1;
    char version[32] = {};
    char systemRoot[260] = {};
    std::unique_ptr<CKRegstrySoftware> software;
    std::unique_ptr<CKRegstrySystem> systemHive;
    std::unique_ptr<CKRegstry> defaultHive;
    std::unique_ptr<CKRegstry> security;
    std::unique_ptr<CKRegstry> sam;
    std::unique_ptr<CKRegstry> localService;
    std::unique_ptr<CRegNtuser> users;
};
