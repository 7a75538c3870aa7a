#pragma once

// One hive file as an object: found on disk whatever its letter case, opened
// whole into memory, keys handed out as offsets, values read and written in
// typed forms, saved only when asked.
//
// A key is the record offset of its nk. As an argument, key 0 stands for the
// root key (unless a member says otherwise); as a result, 0 means "not
// found". Offsets stay valid while the key exists, across allocations;
// record addresses (FindKey, RootKey) only until the next change. Names and
// paths are UTF-8; "(default)" names a key's unnamed value.

#include <string>

#include "hivemend/export.h"
#include "hivemend/format.h"
#include "hivemend/hive.h"
#include "hivemend/regvalue.h"

struct HiveRecovery;

class HIVEMEND_API CKRegstry {
public:
    CKRegstry();
    // Releases an open hive without saving it.
    virtual ~CKRegstry();
    CKRegstry(const CKRegstry&) = delete;
    CKRegstry& operator=(const CKRegstry&) = delete;

    // Opens the hive at `path` (letter case resolved on disk); reading it
    // needs read access only, and saving replaces the file. 1. Throws
    // std::runtime_error "Open file failed, make sure the file(%s) exist!"
    // when it cannot be found or `path` has 260 characters or more, "Open
    // file failed: PATH: REASON" when it is found but is no regular file,
    // cannot be read, or holds no readable hive; also when a hive with
    // unsaved changes is open.
    int OpenFileHive(const char* path);
    // Why the last open gave no hive ("" while one is open).
    const char* OpenError() const;
    // Closes and releases the hive without writing it.
    void CloseHive();
    // 1 when the hive was written or had nothing to write; 0 when writing
    // failed (the changes stay in memory) or no hive is open.
    int SaveHive();
    int IsDirtyHive();
    bool IsValid() const;
    // What opening did with the hive's transaction logs; null without a hive.
    const HiveRecovery* Recovery() const;
    // The damage that keeps the open hive from being changed: every change
    // to a damaged hive fails and leaves it as it is (hive_may_change). ""
    // when none was found. The hive is walked once, at its first change or
    // the first call of this.
    const char* Damage();

    // Copies `src` to `dst` (capacity 324); subclasses translate paths.
    // 0, or -1 with `dst` empty when `src` does not fit.
    virtual int ConverKeypath(const char* src, char* dst);
    // The key at `path` below `key`, names matched in full.
    virtual unsigned OpenKey(const char* path, int key);

    // The key at `path` below `key`, every name matched in full and without
    // regard to letter case; 0 when not found.
    unsigned GetOffset(const char* path, int key);
    // The nk record of the first key whose names begin with those of `path`.
    nk_key* FindKey(const char* path, int key);
    // Key offset of the nk record at `record`; 0 when it is none.
    unsigned keyoffset(const void* record);
    unsigned GetParentKey(int key);
    nk_key* RootKey();
    unsigned RootKeyOfs();
    int GetSubkeyCount(unsigned key);
    int GetValueCount(unsigned key);

    // Fills `out` (when given) and calls `cb` (when given) per subkey, in
    // index order; 0.
    int EnumSubkeys(unsigned key, _REG_SUBKEYS* out, void (*cb)(char*));
    // Fills `out` with every value, data read whole; calls `cb` per value.
    // 0 when no hive is open, else -1.
    int EnumValues(unsigned key, _REG_VALUES* out, void (*cb)(_REG_VALUE*));

    // Data length (> 0) and a new value buffer (ValueBuffer layout, freed
    // with FreeValue) in `*out`; 0 when the value is missing, empty or not of
    // `type` (0 = any). `name` may be a path ending in a value name.
    int GetValue(unsigned key, const char* name, void** out, int type);
    // Copy at most `size` bytes of the data; return its full length (0 when
    // missing or of another type, `buf` untouched).
    int GetBinaryValue(unsigned key, const char* name, void* buf, int size);
    int GetStringValue(unsigned key, const char* name, void* buf, int size);
    int GetDWordValue(unsigned key, const char* name, void* out);
    int GetValueType(unsigned key, const char* name);
    // The value named exactly `name` (no path; "" or "(default)": the
    // unnamed value), whatever its type: its data length, with a new buffer
    // (ValueBuffer layout, freed with FreeValue) in `*out` and the type in
    // `*type`; -1 when it is missing or its data cannot be read.
    int ReadValue(unsigned key, const char* name, int* type, void** out);
    // Cell offset of the value's vk, 0 when not found.
    int FindValueName(unsigned key, const char* name);
    // Stores `len` bytes as the value `name` of type `type`. `mode` 1:
    // create only (-1 when it exists); 2: replace only (-2 when missing);
    // else create or replace. Returns `len`, 0 on failure.
    int SetValue(unsigned key, int type, const char* name, const void* data, int len, int mode);
    int DeleValueKey(unsigned key, const char* name);

    // The key at `path` below `key`, creating what is missing; `*err` = 2
    // when it existed. 0 on failure (also for a path of 320 characters or
    // more, before anything is created).
    unsigned AddSubKey(unsigned key, const char* path, int* err);
    // Deletes subkey `name` of `key` with everything below it; 0.
    int DeleSubKey(unsigned key, const char* name);
    // Deletes `key` itself (`name` null) or the key `name` beside it, with
    // everything below; 1 when done, 0 on failure.
    int DeleCurentKey(unsigned key, const char* name);
    // Gives `key` the name `name`; the key moves to a new record, whose
    // offset is returned (0 on failure, nothing changed).
    unsigned RenameKey(unsigned key, const char* name);
    unsigned ReNameSubkey(unsigned key, const char* name, const char* newname);

    // The path given to OpenFileHive; 0, or -1 when it does not fit.
    int GetHiveFileName(char* dst, int size) const;
    // That path with ".bhv" appended; 0, or -1 when it does not fit.
    int GetBakHiveFileName(char* dst, int size) const;
    static const char* GetInterValueName(const char* name);
    static void FreeValue(void* buffer);
    int DupNK(unsigned key);

protected:
    // Loads the hive file at `path` as given; false with the reason in
    // openError ("" when the file does not exist).
    bool LoadFile(const char* path);

    Hive* hive = nullptr;
    char fileName[260] = {};
    std::string openError;

private:
    nk_key* nk(unsigned key);
};
