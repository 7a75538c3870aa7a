#pragma once

#include <cstdio>

class CRegFix;

// One line for each hive the engine found dirty when it opened it: whether
// it was recovered from its transaction logs, and from which, or read as it
// is for want of a usable log.
void printHiveLogStates(CRegFix& fix, std::FILE* out);
