#pragma once

// Dirty hives and their transaction logs. Windows writes changes to a log
// beside the hive (HIVE.LOG1, HIVE.LOG2, on old systems HIVE.LOG) before it
// writes them to the hive file, so a PC switched off hard leaves hive files
// older than the registry Windows last saw, marked dirty in their base
// block. openHive recovers such a hive in memory from its logs, as Windows
// does when it loads it; nothing is written to the hive or its logs. A
// changed hive is then saved complete and clean (equal sequence numbers
// above every log entry applied), so that Windows has nothing to lay over
// it at its next start.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hivemend/export.h"
#include "hivemend/hive.h"

// What opening did with the logs of a hive.
enum HiveLogState : int {
    HIVE_LOGS_CLEAN = 0,      // the base block is clean: any logs are ignored, as Windows ignores them
    HIVE_LOGS_RECOVERED = 1,  // dirty, and log entries were applied
    HIVE_LOGS_UNUSABLE = 2,   // dirty, but no log could be applied: the file is read as it is
};

// One log file found beside the hive (or handed over in memory).
struct HiveLogReport {
    std::string file;  // its path
    int format = 0;    // 1: dirty page bitmap (Windows XP to 8); 6: log entries (8.1 and later); 0: unreadable
    int entries = 0;   // entries applied from it (a bitmap log counts as one)
    int pages = 0;     // dirty pages applied from it
    std::string note;  // why it was not used, or where the part that could be used ended
};

struct HiveRecovery {
    int state = HIVE_LOGS_CLEAN;
    uint32_t primary = 0;  // sequence numbers in the hive file's base block
    uint32_t secondary = 0;
    bool checksum_ok = true;       // the file's base block checksum
    bool header_from_log = false;  // the file's base block was broken and was taken from a log
    int entries = 0;               // in all
    int pages = 0;
    uint32_t first_seq = 0;  // sequence numbers of the first and last entry applied
    uint32_t last_seq = 0;
    std::vector<HiveLogReport> logs;  // the logs applied, in the order applied, then the others
    std::string note;                 // for an unusable set of logs: why nothing applied
};

// A log file's bytes, for openHiveWithLogs.
struct HiveLogData {
    const char* name;
    const void* data;
    long len;
};

// What opening the hive did with its logs; null only for a null handle.
HIVEMEND_API const HiveRecovery* hive_recovery(const Hive* hdesc);

// The transaction logs beside the hive file `hive`: HIVE.LOG, HIVE.LOG1 and
// HIVE.LOG2, whatever the letter case of the names on disk, in that order.
// With `suffix` (such as ".bhv"), the files named so with it appended.
HIVEMEND_API std::vector<std::string> hive_log_files(const char* hive, const char* suffix = "");

// Loads a hive from bytes in memory as openHiveBuffer does, recovering it
// from the logs given (instead of logs found beside a file) when its base
// block is dirty.
HIVEMEND_API Hive* openHiveWithLogs(const char* filename, const void* data, long len, const HiveLogData* logs,
                                    int nlogs, int mode);

// Writes the hive, complete and clean, to the new file `path`; fails rather
// than replace a file that exists. The handle itself is not changed (its own
// file is saved by writeHive). 0 = written, 1 = failure (nothing left behind).
HIVEMEND_API int saveHiveAs(Hive* hdesc, const char* path);

// The base block checksum as Windows stores it: the XOR of the 127 dwords
// before it, 0xFFFFFFFF stored as 0xFFFFFFFE and 0 as 1.
HIVEMEND_API uint32_t regf_checksum(const unsigned char* base_block);

// Marvin32 with the seed of hive log entries: the hashes that guard each
// entry of a log in the format of Windows 8.1 and later.
HIVEMEND_API uint64_t hive_log_hash(const void* data, size_t len);
