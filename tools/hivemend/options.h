#pragma once

#include <string>

#include "commands.h"

// Moves "--prefix PREFIX" out of `args` into `*prefix` (empty when absent)
// and the other arguments into `*rest`; false when PREFIX is missing.
bool take_prefix(const Args& args, Args* rest, std::string* prefix);
