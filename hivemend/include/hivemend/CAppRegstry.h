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
    // without user hives. The first use of SOFTWARE, SAM, SECURITY, DEFAULT
    // or LocalService throws std::runtime_error when the hive cannot be
    // opened; later uses of it give null. A user hive that cannot be opened
    // is left out of HKEY_CURRENT_USER handles. OpenProblem says why.
    _APP_REG_HANDLE* OpenKey(const char* path, int create);
    // Why the key of the full registry path `path` cannot be judged in every
    // hive it stands for, one line naming the file and the cause: a hive that
    // could not be opened (for HKEY_CURRENT_USER: any user's, including a
    // profile Windows lists whose NTUSER.DAT is missing), no user profile,
    // or a path no hive serves. "" when nothing is in the way; asked after
    // OpenKey, since hives are opened on first use.
    std::string OpenProblem(const char* path);
    // Why the hive files that a change to the key of `path` would rewrite
    // cannot be written (a read-only drive, named with what to do about it;
    // an immutable file); "" when they can.
    std::string WriteProblem(const char* path);
    // The damage that keeps a hive the handle covers from being changed
    // ("FILE is damaged (offset 0x...: what)"); "" when none was found. Each
    // hive is walked once, at its first change or the first call of this.
    std::string DamageOf(const _APP_REG_HANDLE* handle);
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
    // How the value `name` of the handle's active keys stands against `type`
    // and the `len` bytes of `data`: the set of VALUE_* bits that hold for
    // one of them (0 for a null handle). With `ignoreCase` the text of
    // REG_SZ and REG_EXPAND_SZ data is compared with letters A-Z folded.
    enum : int {
        VALUE_SAME = 0x1,       // a key holds the value with exactly that data
        VALUE_DIFFERENT = 0x2,  // a key holds it with other data or of another type
        VALUE_MISSING = 0x4,    // a key does not hold it
        VALUE_NO_KEY = 0x8,     // a key of the handle does not exist
    };
    int CompareValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len,
                     bool ignoreCase);
    // Sets the value `name` to `type` and `data` in each existing active key
    // of the handle in which it stands as `where` (VALUE_DIFFERENT and/or
    // VALUE_MISSING) says, and nowhere else; 1 when every such key now holds
    // it, 0 when a change failed.
    int SetValueWhere(_APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len, bool ignoreCase,
                      int where);
    // Deletes the value `name` from each active key of the handle that holds
    // it; 1 when none holds it any more.
    int DeleteValueEverywhere(_APP_REG_HANDLE* handle, const char* name);

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
    // When a backup to be made cannot be written, none is made: 0, and
    // LastFailure says why.
    int BakHiveFile();
    // Copies the backups back over SOFTWARE, SYSTEM, DEFAULT, SECURITY, SAM,
    // LocalService and the users' hives and their logs; 1 when every copy
    // was made. When a hive to be restored cannot be written, none is
    // restored: 0, and LastFailure says why. A hive that is a symbolic link
    // stays one: its target is restored. Open hives keep their images in
    // memory.
    int RestoreHiveFile();
    // Why the last BakHiveFile or RestoreHiveFile touched nothing, or which
    // save of the last ApplyChange failed first and why; "" when none.
    const char* LastFailure() const;
    void SetWow6432(int mode);
    int GetWow6432() const;
    // Every hive opened so far (path as opened), with what opening did with
    // its transaction logs.
    std::vector<std::pair<std::string, HiveRecovery>> HiveLogStates();

private:
    CKRegstry* SingleHive(int index, const char* file);
    // The hive and key offset of each active entry of the handle.
    std::vector<std::pair<CKRegstry*, unsigned>> KeysOf(const _APP_REG_HANDLE* handle);
    // The hive files that a change to a key of hive `index` may rewrite.
    std::vector<std::string> FilesOf(int index);
    // Profiles ProfileList names whose NTUSER.DAT is missing from their folder.
    void FindMissingUserHives(const char* folder);
    // Reads the profile folders ProfileList names from an open SOFTWARE hive.
    void ReadProfileList(CKRegstry& software);

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
    // Why a hive of each index could not be opened.
    std::string openFailures[10];
    // Folder names of the person profiles ProfileList names.
    std::vector<std::string> profiles;
    // Problems with user hives besides those CRegNtuser met.
    std::vector<std::string> userProblems;
    std::string lastFailure;
};
