#pragma once

// A full walk of a hive: every key, value and data block, each reached once,
// with every piece of damage met on the way reported where it lies.

#include <string>

#include "hivemend/export.h"
#include "hivemend/hive.h"
#include "hivemend/lookup.h"

class HIVEMEND_API HiveVisitor {
public:
    virtual ~HiveVisitor();
    // A key (record offset) at `depth` (root = 0); false skips its subtree.
    virtual bool enter_key(int nk, int depth);
    virtual void leave_key(int nk);
    // A value (record offset) of key `nk`; `data` is null when unreadable.
    virtual void value(int nk, int vk, const ValueBuffer* data);
    // Damage at file offset `ofs`.
    virtual void damage(int ofs, const std::string& what);
};

enum : int {
    VISIT_PAGES = 0x1,  // also walk every hbin page and cell
};

// Walks from the root; returns the number of damages reported.
HIVEMEND_API int hive_visit(Hive* hdesc, HiveVisitor& visitor, int flags);
