#include "logstate.h"

#include <cstdio>

#include "safetext/safetext.h"

namespace {

std::string hex(uint32_t v) {
    char buf[16];
    snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

std::string counted(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string base_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void print_log_state(const std::string& file, const HiveRecovery& r) {
    if (r.state == HIVE_LOGS_CLEAN) return;
    const std::string name = safetext::escaped(file);
    std::string state = "dirty (sequence numbers " + hex(r.primary) + " and " + hex(r.secondary) +
                        (r.checksum_ok ? "" : ", base block checksum wrong") + ")";
    if (r.state == HIVE_LOGS_RECOVERED) {
        state += "; recovered from its transaction logs as Windows would: " + counted(r.entries, "entry", "entries") +
                 ", " + counted(r.pages, "page", "pages") + ", sequence numbers " + hex(r.first_seq) + " to " +
                 hex(r.last_seq) + (r.header_from_log ? "; base block taken from the log" : "");
    } else {
        state += "; no transaction log can be applied" + (r.note.empty() ? "" : " (" + r.note + ")");
    }
    printf("%s: %s\n", name.c_str(), state.c_str());
    for (const HiveLogReport& l : r.logs) {
        std::string line = safetext::escaped(base_name(l.file)) + ": ";
        if (l.entries) line += counted(l.entries, "entry", "entries") + ", " + counted(l.pages, "page", "pages");
        if (!l.note.empty()) line += (l.entries ? "; " : "") + l.note;
        printf("%s:   %s\n", name.c_str(), line.c_str());
    }
}
