#pragma once

#include "hivemend/hive.h"

namespace hivemend {

// Gives the key at record offset `key` the name `name` (UTF-8). The key moves
// to a new nk record; its subkeys are pointed at it, and its parent's index
// entry moves to the new name's sorted place with the hint or hash of the
// new name. Returns the new record offset; 0 with nothing changed when the
// key or its parent is damaged, the name is not a valid key name or a
// sibling has it already, or space runs out.
int rename_key(Hive* h, int key, const char* name);

// Whether `name` may name a key: 1 to 255 characters as the hive stores
// them, no backslash.
bool valid_key_name(const char* name);

}  // namespace hivemend
