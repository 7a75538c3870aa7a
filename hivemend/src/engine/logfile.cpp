#include "logfile.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base_block.h"
#include "engine/image.h"
#include "hivemend/format.h"
#include "hivemend/recovery.h"

namespace hivemend {

namespace {

constexpr uint32_t kEntrySignature = 0x454C7648;  // "HvLE"
constexpr uint32_t kDirtSignature = 0x54524944;   // "DIRT"
constexpr int kEntryHead = 40;                    // fixed part of an entry, before its page references
constexpr int kHash1At = 24;
constexpr int kHash2At = 32;
constexpr int kHash2Covers = 32;

const unsigned char* log_bytes(const LogBytes& log, int64_t ofs, int64_t len) {
    return span_bytes(log.data, log.len, ofs, len);
}

uint32_t u32(const unsigned char* p) { return static_cast<uint32_t>(rd32(p)); }

uint64_t u64(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

std::string text(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string text(const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void marvin_block(uint32_t& lo, uint32_t& hi) {
    hi ^= lo;
    lo = rotl(lo, 20);
    lo += hi;
    hi = rotl(hi, 9);
    hi ^= lo;
    lo = rotl(lo, 27);
    lo += hi;
    hi = rotl(hi, 19);
}

// One entry at `at`, checked whole; empty `*why` when it is sound.
LogEntry read_entry(const LogBytes& log, int64_t at, uint32_t due, std::string* why) {
    LogEntry e;
    e.at = at;
    const unsigned char* head = log_bytes(log, at, kEntryHead);
    if (!head || u32(head) != kEntrySignature) {
        *why = text("no further entry at 0x%" PRIx64, at);
        return e;
    }
    const uint32_t size = u32(head + 4);
    if (size < static_cast<uint32_t>(LOG_PAGE) || size % LOG_PAGE != 0) {
        *why = text("entry at 0x%" PRIx64 " has size %u, not a multiple of 512", at, size);
        return e;
    }
    const unsigned char* whole = log_bytes(log, at, size);
    if (!whole) {
        *why = text("entry at 0x%" PRIx64 " of %u bytes runs past the end of the log (0x%" PRIx64 " bytes)", at, size,
                    log.len);
        return e;
    }
    if (marvin32(whole, kHash2Covers, LOG_HASH_SEED) != u64(whole + kHash2At) ||
        marvin32(whole + kEntryHead, size - kEntryHead, LOG_HASH_SEED) != u64(whole + kHash1At)) {
        *why = text("entry at 0x%" PRIx64 " has a wrong hash", at);
        return e;
    }
    e.size = size;
    e.flags = u32(whole + 8);
    e.seq = u32(whole + 12);
    e.data_size = u32(whole + 16);
    const uint32_t count = u32(whole + 20);
    if (e.seq != due) {
        *why = text("entry at 0x%" PRIx64 " has sequence number 0x%x where 0x%x was due", at, e.seq, due);
        return e;
    }
    if (e.data_size == 0 || e.data_size % HIVE_PAGE != 0) {
        *why = text("entry 0x%x gives a bins data size of 0x%x, not a multiple of 4096", e.seq, e.data_size);
        return e;
    }
    const int64_t refs_end = kEntryHead + static_cast<int64_t>(count) * 8;
    if (refs_end > size) {
        *why = text("entry 0x%x names %u pages, more than it holds", e.seq, count);
        return e;
    }
    int64_t bytes = refs_end;
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* ref = whole + kEntryHead + 8 * static_cast<int64_t>(i);
        PageRef p{u32(ref), u32(ref + 4), nullptr};
        p.bytes = span_bytes(whole, size, bytes, p.len);
        if (p.len == 0 || static_cast<uint64_t>(p.ofs) + p.len > e.data_size || !p.bytes) {
            *why = text("entry 0x%x: page %u (bins offset 0x%x, 0x%x bytes) lies outside the hive data or the entry",
                        e.seq, i, p.ofs, p.len);
            return e;
        }
        bytes += p.len;
        e.pages.push_back(p);
    }
    why->clear();
    return e;
}

}  // namespace

uint64_t marvin32(const unsigned char* data, size_t len, uint64_t seed) {
    uint32_t lo = static_cast<uint32_t>(seed);
    uint32_t hi = static_cast<uint32_t>(seed >> 32);
    size_t i = 0;
    for (; len - i >= 4; i += 4) {
        lo += u32(data + i);
        marvin_block(lo, hi);
    }
    // The tail with a 0x80 byte after it, as one more block.
    uint32_t tail = 0x80;
    for (size_t k = len; k > i; --k) tail = (tail << 8) | data[k - 1];
    lo += tail;
    marvin_block(lo, hi);
    marvin_block(lo, hi);
    return (static_cast<uint64_t>(hi) << 32) | lo;
}

LogHeader read_log_header(const LogBytes& log) {
    LogHeader h;
    const unsigned char* p = log_bytes(log, 0, LOG_BASE_BLOCK);
    if (!p) {
        h.why = log.len == 0 ? "empty" : "shorter than a base block";
        return h;
    }
    if (rd32(p) != REGF_SIGNATURE) {
        h.why = "no 'regf' base block";
        return h;
    }
    h.format = rd32(p + REGF_FILE_TYPE);
    if (h.format != LOG_FORMAT_OLD && h.format != LOG_FORMAT_NEW) {
        h.why = text("file type %d is no log format", h.format);
        h.format = 0;
        return h;
    }
    if (rd32(p + REGF_PRIMARY_SEQ) != rd32(p + REGF_SECONDARY_SEQ)) {
        h.why = text("base block sequence numbers 0x%x and 0x%x differ", u32(p + REGF_PRIMARY_SEQ),
                     u32(p + REGF_SECONDARY_SEQ));
        return h;
    }
    if (!base_block_sum_ok(p)) {
        h.why = "base block checksum is wrong";
        return h;
    }
    h.seq = u32(p + REGF_PRIMARY_SEQ);
    h.timestamp = u64(p + REGF_TIMESTAMP);
    h.data_size = u32(p + REGF_DATA_SIZE);
    h.ok = true;
    return h;
}

std::vector<LogEntry> read_log_entries(const LogBytes& log, const LogHeader& header, std::string* end) {
    std::vector<LogEntry> run;
    int64_t at = LOG_BASE_BLOCK;
    uint32_t due = header.seq;
    for (;;) {
        LogEntry e = read_entry(log, at, due, end);
        if (!end->empty()) break;
        at += e.size;
        run.push_back(std::move(e));
        ++due;
    }
    return run;
}

bool read_dirty_pages(const LogBytes& log, const LogHeader& header, std::vector<PageRef>* pages, std::string* why) {
    pages->clear();
    const unsigned char* sig = log_bytes(log, LOG_BASE_BLOCK, 4);
    if (!sig || u32(sig) != kDirtSignature) {
        *why = "no 'DIRT' signature after the base block";
        return false;
    }
    if (header.data_size % HIVE_PAGE != 0) {
        *why = text("bins data size 0x%x is not a multiple of 4096", header.data_size);
        return false;
    }
    const int64_t bits = header.data_size / LOG_PAGE;
    const unsigned char* bitmap = log_bytes(log, LOG_BASE_BLOCK + 4, bits / 8);
    if (!bitmap) {
        *why = text("the dirty page bitmap (%" PRId64 " bytes) runs past the end of the log", bits / 8);
        return false;
    }
    int64_t at = (LOG_BASE_BLOCK + 4 + bits / 8 + LOG_PAGE - 1) / LOG_PAGE * LOG_PAGE;
    for (int64_t n = 0; n < bits; ++n) {
        if (!(bitmap[n / 8] & (1u << (n % 8)))) continue;
        const unsigned char* page = log_bytes(log, at, LOG_PAGE);
        if (!page) {
            *why = text("the log ends before dirty page %" PRId64 " (at 0x%" PRIx64 ")", n, at);
            pages->clear();
            return false;
        }
        pages->push_back({static_cast<uint32_t>(n * LOG_PAGE), LOG_PAGE, page});
        at += LOG_PAGE;
    }
    return true;
}

}  // namespace hivemend

uint64_t hive_log_hash(const void* data, size_t len) {
    return hivemend::marvin32(static_cast<const unsigned char*>(data), len, hivemend::LOG_HASH_SEED);
}
