#pragma once

// The handle of one open hive: the whole file held in memory as one image,
// loaded by openHive and written back as a whole by writeHive.

#include <cstdio>

#include "hivemend/export.h"

// State flags (Hive::state); the mode given to openHive is the initial state.
enum : int {
    HIVE_READONLY = 0x1,
    HIVE_FILE_OPEN = 0x2,
    HIVE_DIRTY = 0x4,
    HIVE_NOALLOC = 0x8,
    HIVE_NOEXPAND = 0x10,
    HIVE_EXPANDED = 0x20,
    HIVE_VERBOSE = 0x1000,
    HIVE_TRACE = 0x2000,
};

// Guessed hive types (Hive::type).
enum : int {
    HIVE_TYPE_UNKNOWN = 0,
    HIVE_TYPE_SAM = 1,
    HIVE_TYPE_SYSTEM = 2,
    HIVE_TYPE_SECURITY = 3,
    HIVE_TYPE_SOFTWARE = 4,
};

struct HivePages;
struct HiveRecovery;
struct HiveCheck;

struct Hive {
    char* filename;          // path given to openHive, owned
    FILE* fp;                // open only while loading
    int state;               // HIVE_* flags
    int type;                // HIVE_TYPE_*
    int pages;               // hbin pages counted at load
    int useblk;              // used cells (diagnostic)
    int unuseblk;            // free cells (diagnostic)
    int usetot;              // bytes in used cells (diagnostic)
    int unusetot;            // bytes in free cells (diagnostic)
    int size;                // length of the image buffer
    int rootofs;             // cell offset of the root key
    int lastbin;             // file offset of the last hbin page
    int endofs;              // 0x1000 + the base block's data size
    short nkindextype;       // index id given to a key's first subkey index
    unsigned char* buffer;   // the image, owned
    HivePages* index;        // page table and free-space index, owned
    HiveRecovery* recovery;  // what loading took from the transaction logs, owned
    HiveCheck* check;        // what the walk before the first change found, owned
};

// Loads a hive file, which needs read access only. Null when the file is no
// regular file (a FIFO or device is refused without being opened), cannot be
// read, or is empty; a file that is not a hive gives a handle on which every
// lookup fails. A hive whose base block says dirty is recovered in memory from
// the transaction logs beside it (hivemend/recovery.h); the files are not
// written.
HIVEMEND_API Hive* openHive(const char* filename, int mode);
// Why the last openHive of this thread gave no handle, such as "the file is
// empty"; "" when it gave one.
HIVEMEND_API const char* hive_open_error();
// Loads a hive from bytes already in memory; `filename` is where writeHive
// would save it.
HIVEMEND_API Hive* openHiveBuffer(const char* filename, const void* data, long len, int mode);
// Releases the handle without writing.
HIVEMEND_API void closeHive(Hive* hdesc);
// Closes the file stream when it is open.
HIVEMEND_API void CloseFile(Hive* hdesc);
// Saves a changed hive so that the file is either wholly old or wholly new,
// and clean: Windows has nothing to replay from the logs over it.
// 0 = written or nothing to write, 1 = failure (the hive stays dirty).
HIVEMEND_API int writeHive(Hive* hdesc);
// The base block checksum of the image: XOR of its first 127 dwords.
HIVEMEND_API int calc_regfsum(Hive* hdesc);
// Makes the base block clean (sequence numbers, checksum) and gives the bytes
// writeHive would write.
HIVEMEND_API const unsigned char* hive_image(Hive* hdesc, long* len);
