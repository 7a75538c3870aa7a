// Recovering a dirty hive as Windows does when it loads one: the entries of
// its logs (or, in the old format, its dirty pages) are laid over the image
// in memory, with every check that makes Windows stop. Neither the hive
// file nor its logs are written.

#include "recover.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "base_block.h"
#include "engine/diag.h"
#include "engine/image.h"
#include "hivemend/recovery.h"
#include "memory.h"
#include "safetext/safetext.h"

namespace hivemend {

namespace {

// Largest image recovery makes, with room for the engine to add pages.
constexpr int64_t kMaxImage = INT_MAX - 0x40000;
// Largest log file read.
constexpr int64_t kMaxLog = int64_t{1} << 30;

const char* const kLogSuffixes[] = {".LOG", ".LOG1", ".LOG2"};

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string hex(uint32_t v) {
    char buf[16];
    snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

// "its entries 0x11f to 0x122", or "its entry 0x232".
std::string its_entries(uint32_t first, uint32_t last) {
    return first == last ? "its entry " + hex(first) + " is"
                         : "its entries " + hex(first) + " to " + hex(last) + " are";
}

bool all_zero(const unsigned char* p, size_t n) {
    return std::all_of(p, p + n, [](unsigned char c) { return c == 0; });
}

uint32_t header_u32(const Hive* h, int ofs) { return static_cast<uint32_t>(header_dword(h, ofs)); }

void set_header_u32(Hive* h, int ofs, uint32_t v) {
    if (unsigned char* p = image_bytes(h, ofs, 4)) wr32(p, static_cast<int32_t>(v));
}

// Grows the image to `end` bytes; the new bytes are zero.
void grow_image(Hive* h, int64_t end) {
    if (end <= h->size) return;
    h->buffer = image_grow(h->buffer, static_cast<size_t>(h->size), static_cast<size_t>(end));
    std::memset(h->buffer + h->size, 0, static_cast<size_t>(end - h->size));
    h->size = static_cast<int>(end);
}

struct Log {
    const LogBytes* bytes;
    HiveLogReport report;
    LogHeader header;
    std::vector<LogEntry> run;  // new format: the sound entries from its first one
    std::string run_end;

    // The entry of the run that carries `seq`, or null.
    const LogEntry* entry(uint32_t seq) const {
        if (run.empty() || seq < run.front().seq) return nullptr;
        const uint64_t i = seq - run.front().seq;
        return i < run.size() ? &run[static_cast<size_t>(i)] : nullptr;
    }
};

class Recovery {
public:
    Recovery(Hive* h, HiveRecovery& r, const std::vector<LogBytes>& files)
        : h_(h), r_(r), broken_(!r.checksum_ok), base_end_(h->size) {
        for (const LogBytes& b : files) {
            logs_.push_back(read(b));
            log_bytes_ += b.len;
        }
    }

    void run() {
        if (!new_format() && !old_format()) {
            r_.state = HIVE_LOGS_UNUSABLE;
            if (logs_.empty()) r_.note = "no transaction log found";
        } else {
            r_.state = HIVE_LOGS_RECOVERED;
            set_header_u32(h_, REGF_PRIMARY_SEQ, r_.last_seq);
            set_header_u32(h_, REGF_SECONDARY_SEQ, r_.last_seq);
            store_base_block_sum(h_->buffer);
        }
        // Applied logs first, in the order applied.
        std::stable_sort(logs_.begin(), logs_.end(),
                         [&](const Log& a, const Log& b) { return order_of(a) < order_of(b); });
        for (Log& l : logs_) r_.logs.push_back(std::move(l.report));
    }

private:
    Log read(const LogBytes& b) {
        Log l{&b, {}, read_log_header(b), {}, {}};
        l.report.file = b.name;
        l.report.format = l.header.format;
        if (!l.header.ok) {
            l.report.note = "not used: " + l.header.why;
            return l;
        }
        const unsigned char* mine = image_bytes(h_, REGF_RM_ID, 16);
        const unsigned char* its = span_bytes(b.data, b.len, REGF_RM_ID, 16);
        if (mine && its && !all_zero(mine, 16) && !all_zero(its, 16) && std::memcmp(mine, its, 16) != 0) {
            l.header.ok = false;
            l.report.note = "not used: the log belongs to another hive (its hive id differs)";
            return l;
        }
        if (l.header.format == LOG_FORMAT_NEW) l.run = read_log_entries(b, l.header, &l.run_end);
        return l;
    }

    size_t order_of(const Log& l) const {
        const auto it = std::find(applied_.begin(), applied_.end(), l.bytes);
        return it == applied_.end() ? applied_.size() : static_cast<size_t>(it - applied_.begin());
    }

    void used(Log& l) {
        if (std::find(applied_.begin(), applied_.end(), l.bytes) == applied_.end()) applied_.push_back(l.bytes);
    }

    // Takes the base block from a log when the hive's own is broken.
    void take_base_block(const Log& l) {
        own_base_block_.assign(h_->buffer, h_->buffer + LOG_BASE_BLOCK);
        std::memcpy(h_->buffer, l.bytes->data, LOG_BASE_BLOCK);
        set_header_u32(h_, REGF_FILE_TYPE, 0);
        r_.header_from_log = true;
    }
    // Puts the hive's own base block back when nothing could be applied.
    void give_base_block_back() {
        if (!r_.header_from_log) return;
        std::memcpy(h_->buffer, own_base_block_.data(), LOG_BASE_BLOCK);
        r_.header_from_log = false;
    }

    // Room for growth: every byte the hive gained since its file was
    // written went through a log, so the image grows by no more than the
    // logs hold, however large a damaged entry says the hive became.
    bool may_grow_to(int64_t end) const { return end <= std::min(base_end_ + log_bytes_, kMaxImage); }

    void count(Log& l, uint32_t seq, int pages) {
        used(l);
        l.report.entries++;
        l.report.pages += pages;
        if (r_.entries++ == 0) r_.first_seq = seq;
        r_.last_seq = seq;
        r_.pages += pages;
    }

    bool new_format() {
        std::vector<Log*> usable;
        for (Log& l : logs_) {
            if (!l.header.ok || l.header.format != LOG_FORMAT_NEW) continue;
            if (l.run.empty()) {
                l.report.note = "not used: " + l.run_end;
                continue;
            }
            if (!broken_ && l.run.front().seq < r_.secondary) {
                l.report.note = "not used: " + its_entries(l.run.front().seq, l.run.back().seq) +
                                " older than the hive (" + hex(r_.secondary) + ")";
                continue;
            }
            usable.push_back(&l);
        }
        if (usable.empty()) return false;
        // A broken base block is taken from the log with the latest entries,
        // and that log alone is applied; otherwise the log that holds the
        // earliest entries comes first, and the others carry on from it.
        const auto by_first = [](const Log* a, const Log* b) { return a->run.front().seq < b->run.front().seq; };
        const auto by_last = [](const Log* a, const Log* b) { return a->run.back().seq < b->run.back().seq; };
        Log* cur = broken_ ? *std::max_element(usable.begin(), usable.end(), by_last)
                           : *std::min_element(usable.begin(), usable.end(), by_first);
        if (broken_) {
            take_base_block(*cur);
            for (Log* l : usable) {
                if (l == cur) continue;
                l->report.note =
                    "not used: the hive's base block is broken, so only the log with the latest "
                    "entries applies";
            }
            usable = {cur};
        }
        for (uint32_t due = cur->run.front().seq;; ++due) {
            const LogEntry* e = cur->entry(due);
            for (size_t i = 0; !e && i < usable.size(); ++i) {
                if ((e = usable[i]->entry(due))) cur = usable[i];
            }
            if (!e || !apply(*cur, *e)) break;
            if (due == UINT32_MAX) break;
        }
        for (Log* l : usable) {
            if (!l->report.note.empty()) continue;
            l->report.note = l->report.entries ? "ends: " + l->run_end
                                               : "not used: " + its_entries(l->run.front().seq, l->run.back().seq) +
                                                     " not the next after the others";
        }
        if (r_.entries == 0) give_base_block_back();
        return r_.entries > 0;
    }

    bool apply(Log& l, const LogEntry& e) {
        const int64_t end = HBIN_START + static_cast<int64_t>(e.data_size);
        if (!may_grow_to(end)) {
            l.report.note = "stops: entry " + hex(e.seq) + " makes the hive data " + hex(e.data_size) +
                            " bytes long, more than its logs can have written";
            return false;
        }
        grow_image(h_, end);
        for (const PageRef& p : e.pages) std::memcpy(h_->buffer + HBIN_START + p.ofs, p.bytes, p.len);
        set_header_u32(h_, REGF_DATA_SIZE, e.data_size);
        set_header_u32(h_, REGF_FLAGS, (header_u32(h_, REGF_FLAGS) & ~1u) | (e.flags & 1u));
        count(l, e.seq, static_cast<int>(e.pages.size()));
        return true;
    }

    // The 32-byte bin header at file offset `b` once `pages` are laid over
    // the image.
    const unsigned char* recovered_bin_header(int64_t b, const std::vector<PageRef>& pages) const {
        const auto it = std::lower_bound(pages.begin(), pages.end(), b - HBIN_START,
                                         [](const PageRef& p, int64_t ofs) { return p.ofs < ofs; });
        if (it != pages.end() && it->ofs == b - HBIN_START) return it->bytes;
        return image_bytes(h_, b, HBIN_HEADER);
    }

    bool old_format() {
        Log* best = nullptr;
        const uint64_t stamp = static_cast<uint64_t>(header_u32(h_, REGF_TIMESTAMP)) |
                               static_cast<uint64_t>(header_u32(h_, REGF_TIMESTAMP + 4)) << 32;
        for (Log& l : logs_) {
            if (!l.header.ok || l.header.format != LOG_FORMAT_OLD) continue;
            if (!broken_ && l.header.timestamp != stamp) {
                l.report.note = "not used: written at another time than the hive";
                continue;
            }
            Log* older = &l;
            if (!best || l.header.seq > best->header.seq) std::swap(best, older);
            if (older) older->report.note = "not used: another log is newer";
        }
        if (!best) return false;
        std::vector<PageRef> pages;
        std::string why;
        if (!read_dirty_pages(*best->bytes, best->header, &pages, &why)) {
            best->report.note = "not used: " + why;
            return false;
        }
        const int64_t end = HBIN_START + static_cast<int64_t>(best->header.data_size);
        if (!may_grow_to(end)) {
            best->report.note = "not used: it makes the hive data longer than it can have written";
            return false;
        }
        // Each bin as it is once recovered must be whole; recovery stops at
        // the first that is not, and the hive ends there.
        int64_t b = HBIN_START;
        std::string stop;
        while (b < end) {
            const unsigned char* bin = recovered_bin_header(b, pages);
            const int64_t size = bin ? rd32(bin + HBIN_OFS_NEXT) : 0;
            if (!bin || rd32(bin) != HBIN_SIGNATURE || rd32(bin + HBIN_OFS_SELF) != b - HBIN_START ||
                size < HIVE_PAGE || size % HIVE_PAGE != 0 || b + size > end) {
                stop = "the bin at " + hex(static_cast<uint32_t>(b)) + " is not whole once recovered";
                break;
            }
            b += size;
        }
        if (b == HBIN_START) {
            best->report.note = "not used: " + stop;
            return false;
        }
        if (broken_) take_base_block(*best);
        grow_image(h_, b);
        int applied = 0;
        for (const PageRef& p : pages) {
            if (HBIN_START + static_cast<int64_t>(p.ofs) + p.len > b) break;
            std::memcpy(h_->buffer + HBIN_START + p.ofs, p.bytes, p.len);
            ++applied;
        }
        set_header_u32(h_, REGF_DATA_SIZE, static_cast<uint32_t>(b - HBIN_START));
        count(*best, best->header.seq, applied);
        best->report.note = stop.empty() ? std::string() : "stops: " + stop;
        return true;
    }

    Hive* h_;
    HiveRecovery& r_;
    std::vector<Log> logs_;
    std::vector<const LogBytes*> applied_;
    std::vector<unsigned char> own_base_block_;
    bool broken_ = false;
    int64_t base_end_ = 0;
    int64_t log_bytes_ = 0;
};

std::string counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void say(const Hive* h, const HiveRecovery& r) {
    if (r.state == HIVE_LOGS_RECOVERED) {
        std::string used;
        for (const HiveLogReport& l : r.logs) {
            if (!l.entries) continue;
            used += (used.empty() ? "" : ", ") + safetext::escaped(base_name(l.file)) + " (" +
                    counted(l.entries, "entry", "entries") + ", " + counted(l.pages, "page", "pages") + ")";
        }
        const std::string seqs = r.first_seq == r.last_seq
                                     ? "sequence number " + hex(r.last_seq)
                                     : "sequence numbers " + hex(r.first_seq) + " to " + hex(r.last_seq);
        diag_printf("openHive(%s): dirty hive recovered from its transaction logs: %s; %s, %s, %s%s\n",
                    safetext::escaped(h->filename).c_str(), used.c_str(),
                    counted(r.entries, "entry", "entries").c_str(), counted(r.pages, "page", "pages").c_str(),
                    seqs.c_str(), r.header_from_log ? "; base block taken from the log" : "");
        return;
    }
    std::string why = r.note;
    for (const HiveLogReport& l : r.logs)
        why += (why.empty() ? "" : "; ") + safetext::escaped(base_name(l.file)) + ": " + l.note;
    diag_eprintf(
        "openHive(%s): WARNING: dirty hive (sequence numbers 0x%x and 0x%x%s) without a usable transaction log "
        "(%s); read as it is\n",
        safetext::escaped(h->filename).c_str(), r.primary, r.secondary, r.checksum_ok ? "" : ", checksum wrong",
        why.c_str());
}

// The whole of a log file, opened read-only; empty with `*error` when it
// cannot be read.
std::vector<unsigned char> read_log_file(const std::string& path, std::string* error) {
    std::vector<unsigned char> bytes;
    // Never blocking: a FIFO in a log's place is refused, not waited on.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxLog) {
        *error = fd < 0 ? strerror(errno) : "not a regular file of at most 1 GiB";
        if (fd >= 0) close(fd);
        return bytes;
    }
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got != bytes.size()) {
        *error = "could not be read whole";
        bytes.clear();
    }
    return bytes;
}

}  // namespace

void recover_image(Hive* h, const std::vector<LogBytes>& logs, const std::vector<HiveLogReport>& unreadable) {
    delete h->recovery;
    h->recovery = new HiveRecovery;
    HiveRecovery& r = *h->recovery;
    if (h->size < HBIN_START || header_dword(h, 0) != REGF_SIGNATURE) return;
    r.primary = header_u32(h, REGF_PRIMARY_SEQ);
    r.secondary = header_u32(h, REGF_SECONDARY_SEQ);
    r.checksum_ok = base_block_sum_ok(h->buffer);
    if (!base_block_dirty(h)) return;
    Recovery(h, r, logs).run();
    r.logs.insert(r.logs.end(), unreadable.begin(), unreadable.end());
    if (r.state == HIVE_LOGS_UNUSABLE && logs.empty() && !unreadable.empty()) r.note.clear();
    say(h, r);
}

void recover_from_disk(Hive* h) {
    std::vector<std::vector<unsigned char>> contents;
    std::vector<LogBytes> logs;
    std::vector<HiveLogReport> unreadable;
    contents.reserve(std::size(kLogSuffixes));
    if (h->size >= HBIN_START && header_dword(h, 0) == REGF_SIGNATURE && base_block_dirty(h)) {
        for (const std::string& path : hive_log_files(h->filename)) {
            std::string error;
            std::vector<unsigned char> bytes = read_log_file(path, &error);
            if (!error.empty()) {
                unreadable.push_back({path, 0, 0, 0, "not used: cannot be read (" + error + ")"});
                continue;
            }
            contents.push_back(std::move(bytes));
            logs.push_back({path, contents.back().data(), static_cast<int64_t>(contents.back().size())});
        }
    }
    recover_image(h, logs, unreadable);
}

}  // namespace hivemend

using namespace hivemend;

const HiveRecovery* hive_recovery(const Hive* hdesc) {
    static const HiveRecovery clean;
    if (!hdesc) return nullptr;
    return hdesc->recovery ? hdesc->recovery : &clean;
}

std::vector<std::string> hive_log_files(const char* hive, const char* suffix) {
    std::vector<std::string> found;
    if (!hive) return found;
    const std::string path = hive;
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string prefix = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = base_name(path);
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) names.emplace_back(e->d_name);
        closedir(d);
    }
    // The name as written wins over other spellings of it.
    std::sort(names.begin(), names.end());
    for (const char* log : kLogSuffixes) {
        const std::string want = base + log + (suffix ? suffix : "");
        std::string pick;
        for (const std::string& n : names) {
            if (strcasecmp(n.c_str(), want.c_str()) != 0) continue;
            struct stat st {};
            if (stat((prefix + n).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            if (pick.empty() || n == want) pick = n;
        }
        if (!pick.empty()) found.push_back(prefix + pick);
    }
    return found;
}
