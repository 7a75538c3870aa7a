#pragma once

// The repair engine as the program's repair worker and installer offer see
// it. Its items are the sections of the rule database: one item is one line
// of the repair list, scanned and repaired as a whole.
//
// The order of the operations is the order of the virtual table the program
// is bound to; do not reorder, insert or remove any. The interface has no
// virtual destructor (there is no slot for one): the owner deletes the
// concrete object, so the destructor is protected here.

#include "hivemend/export.h"

class HIVEMEND_API ISystemRepair {
public:
    // Number of items.
    virtual unsigned getCount() = 0;
    // The item's name in `buf`, cut to `size` - 1 bytes and terminated; 0.
    virtual int getItemInfo(unsigned index, char* buf, unsigned size) = 0;
    // Scans the item anew: 1 when it has problems, 0 when none. An item that
    // could not be judged (a hive it needs cannot be read, is damaged) is
    // never 0: CRegFix::GetItemError says why.
    virtual int getItemState(unsigned index) = 0;
    // Fixes what the item's last scan found: 1 success, 0 failure (also for
    // an item that could not be judged; CRegFix::GetItemError says why).
    virtual int Repair(unsigned index) = 0;
    // Restoring works on whole hives only: 1, nothing changed.
    virtual int Restore(unsigned index) = 0;
    // Copies every hive file to its ".bhv" backup, never over an existing
    // one: nonzero when every copy was made. Nothing is copied when a backup
    // cannot be written (CRegFix::LastFailure says why).
    virtual int BakHiveFile() = 0;
    // Copies the backups back over the hive files: nonzero when every copy
    // was made. Nothing is restored when a hive cannot be written.
    virtual int RestoreHiveFile() = 0;
    // Whether the key of the full registry path holds the value (a SOFTWARE
    // key alone, without its Wow6432Node mirror).
    virtual bool IsValueExist(const char* keyPath, const char* valueName) = 0;
    // Sets the value to the REG_SZ form of the UTF-8 `text`, creating the
    // missing keys of the path, and writes the hive to disk; true when the
    // value is stored and saved.
    virtual bool WriteValueStr(const char* keyPath, const char* valueName, const char* text) = 0;

protected:
    ISystemRepair() = default;
    ISystemRepair(const ISystemRepair&) = default;
    ISystemRepair& operator=(const ISystemRepair&) = default;
    ~ISystemRepair() = default;
};
