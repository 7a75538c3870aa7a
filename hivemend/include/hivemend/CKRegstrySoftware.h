#pragma once

// The SOFTWARE hive with its Wow6432Node mirror: on a 64-bit Windows a key
// can exist natively and again below Wow6432Node for 32-bit programs. A
// handle covers the views that the mode makes active:
//
//   mode 2: native only;  mode 3: mirror only;  any other (1 default): both.
//
// The mirror of a key path is "Wow6432Node\" + the path; it exists unless the
// path starts with "Classes\" or "Wow6432Node\" (any letter case) or the hive
// has no root key Wow6432Node.

#include "hivemend/AppRegHandle.h"
#include "hivemend/CKRegstry.h"
#include "hivemend/export.h"

class HIVEMEND_API CKRegstrySoftware {
public:
    CKRegstrySoftware();
    virtual ~CKRegstrySoftware();
    CKRegstrySoftware(const CKRegstrySoftware&) = delete;
    CKRegstrySoftware& operator=(const CKRegstrySoftware&) = delete;

    // Opens the hive; throws std::runtime_error as CKRegstry::OpenFileHive.
    void LoadHive(const char* path);
    int SaveHive();
    void CloseHive();
    void SetWow6432(int mode);
    int GetWow6432() const;
    // 1 with the mirror path in `dst` (324 bytes) when the mirror exists.
    int GetWow6432Keypath(const char* path, char* dst);

    // A handle for `path` below `key` (with `key` other than 0 the native
    // view only); with `create` the missing keys of the active views are
    // made. Null when no hive is loaded. Release with CloseKey.
    _APP_REG_HANDLE* OpenKey(const char* path, int key, int create);
    static void CloseKey(_APP_REG_HANDLE* handle);
    // 1 when the key is missing in some active view / exists in some.
    static int CheckAddKey(const _APP_REG_HANDLE* handle);
    static int CheckDelKey(const _APP_REG_HANDLE* handle);
    // 1 when every active view holds the value exactly (0 without any).
    int CheckValue(const _APP_REG_HANDLE* handle, const char* name, int type, const void* data, int len);
    // Creates the key path in each active view where it is missing; the
    // handle's table (its `key`), 0 without a hive.
    uintptr_t AddSubKey(_APP_REG_HANDLE* handle, const char* path, int* err);
    // Runs a FixKey operation on each active view whose key exists; the
    // result of the last one run, 0 when none ran.
    int FixKey(_APP_REG_HANDLE* handle, const char* name, int op, int type, const void* data, int len);

    CKRegstry& Regstry();

private:
    CKRegstry regstry;
    int mode = 1;
};
