#pragma once

#include <string>

#include "hivemend/recovery.h"

// Prints, for a hive whose base block says dirty, what opening took from its
// transaction logs: in all, then one line per log. Nothing for a clean hive.
// A dirty hive without usable logs is read as it is, as Windows reads it:
// its contents may be older than what Windows last saw.
void print_log_state(const std::string& file, const HiveRecovery& r);
