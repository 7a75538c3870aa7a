#pragma once

// Reading the transaction log of a hive: its base block, and then either
// the dirty page bitmap of the old format (Windows XP to 8) or the entries
// of the new one (8.1 and later). A log is outside data like the hive
// itself: every offset and length read from it goes through span_bytes, and
// what is handed out points into the log's bytes only where they were
// checked to be.

#include <cstdint>
#include <string>
#include <vector>

namespace hivemend {

// Base block fields beyond those of format.h; a log's first 512 bytes are
// a copy of its hive's base block.
inline constexpr int REGF_PRIMARY_SEQ = 0x004;
inline constexpr int REGF_SECONDARY_SEQ = 0x008;
inline constexpr int REGF_TIMESTAMP = 0x00C;
inline constexpr int REGF_FILE_TYPE = 0x01C;
inline constexpr int REGF_RM_ID = 0x070;  // GUID of the hive, the same in its logs
inline constexpr int REGF_FLAGS = 0x090;
inline constexpr int LOG_BASE_BLOCK = 512;
inline constexpr int LOG_FORMAT_OLD = 1;
inline constexpr int LOG_FORMAT_NEW = 6;
inline constexpr int LOG_PAGE = 512;    // unit of old-format dirty pages and of new-format entry sizes
inline constexpr int HIVE_PAGE = 4096;  // unit of the bins data size

struct LogBytes {
    std::string name;
    const unsigned char* data = nullptr;
    int64_t len = 0;
};

struct LogHeader {
    bool ok = false;
    std::string why;  // when not ok
    int format = 0;
    uint32_t seq = 0;
    uint64_t timestamp = 0;
    uint32_t data_size = 0;
};

// The base block of a log; not ok when it is short, has no "regf", is of
// neither format, or its sequence numbers or checksum say it is not whole.
LogHeader read_log_header(const LogBytes& log);

// Bytes to be laid over the hive: `len` bytes at bins offset `ofs`.
struct PageRef {
    uint32_t ofs = 0;
    uint32_t len = 0;
    const unsigned char* bytes = nullptr;
};

struct LogEntry {
    int64_t at = 0;  // offset of the entry in the log
    uint32_t size = 0;
    uint32_t seq = 0;
    uint32_t flags = 0;
    uint32_t data_size = 0;  // bins data size of the hive after this entry
    std::vector<PageRef> pages;
};

// The sound entries of a new-format log from its first one, whose sequence
// number must be the base block's, each next one carrying the next number.
// The run ends at the first entry that is not there or not sound (signature,
// size, hashes, sequence number, bins data size, page references); `*end`
// says where and why.
std::vector<LogEntry> read_log_entries(const LogBytes& log, const LogHeader& header, std::string* end);

// The dirty pages of an old-format log in bitmap order (ascending bins
// offsets), 512 bytes each; false with `*why` when the bitmap or the pages
// it announces are not all in the file.
bool read_dirty_pages(const LogBytes& log, const LogHeader& header, std::vector<PageRef>* pages, std::string* why);

// Marvin32 of `len` bytes with the 64-bit `seed`.
uint64_t marvin32(const unsigned char* data, size_t len, uint64_t seed);

// The seed Windows uses for the hashes of log entries.
inline constexpr uint64_t LOG_HASH_SEED = 0x82EF4D887A4E55C5ull;

}  // namespace hivemend
