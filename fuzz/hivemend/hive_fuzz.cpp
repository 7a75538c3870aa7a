// Loads any bytes as a hive, recovering it from any transaction logs that
// follow it in the input, walks all of it, makes a few changes of every kind
// and saves the image to memory; the saved image must be clean, so that
// replaying the same logs over it changes nothing.
//
// Input: the hive, then each log from a 512-byte boundary past the hive's
// base block where "regf" starts. When the input's last byte is odd, the
// hashes of every log entry are made right first, so that the fuzzer gets
// past them to the entries' contents.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hivemend/diagnostics.h"
#include "hivemend/engine.h"
#include "hivemend/recovery.h"
#include "hivemend/visit.h"

namespace {

class Reader : public HiveVisitor {
public:
    explicit Reader(Hive* h) : h_(h) {}
    bool enter_key(int nk, int depth) override {
        if (!first_ && depth == 1) first_ = nk;
        char path[512] = "";
        get_abs_path(h_, nk, path, sizeof path);
        return true;
    }
    int first_ = 0;

private:
    Hive* h_;
};

uint32_t u32(const std::string& b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

void rehash_entries(std::string& log) {
    for (size_t at = 512; at + 40 <= log.size() && log.compare(at, 4, "HvLE") == 0;) {
        const size_t size = u32(log, at + 4);
        if (size < 40 || size > log.size() - at) break;
        const uint64_t h1 = hive_log_hash(log.data() + at + 40, size - 40);
        std::memcpy(log.data() + at + 24, &h1, 8);
        const uint64_t h2 = hive_log_hash(log.data() + at, 32);
        std::memcpy(log.data() + at + 32, &h2, 8);
        at += size;
    }
}

// The hive's length and the logs that follow it.
size_t split(const uint8_t* data, size_t size, std::vector<std::string>* logs) {
    std::vector<size_t> starts;
    for (size_t at = 4096; at + 4 <= size; at += 512)
        if (std::memcmp(data + at, "regf", 4) == 0) starts.push_back(at);
    starts.push_back(size);
    for (size_t i = 0; i + 1 < starts.size(); ++i)
        logs->emplace_back(reinterpret_cast<const char*>(data + starts[i]), starts[i + 1] - starts[i]);
    return starts.front();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The engine reports every step; keep the fuzzer fast and its output readable.
    hive_diagnostics([](int, const char*, void*) {}, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> logs;
    const size_t hive_len = split(data, size, &logs);
    std::vector<HiveLogData> given;
    for (std::string& l : logs) {
        if (size && (data[size - 1] & 1)) rehash_entries(l);
        given.push_back({"log", l.data(), static_cast<long>(l.size())});
    }
    Hive* h =
        openHiveWithLogs("fuzz", data, static_cast<long>(hive_len), given.data(), static_cast<int>(given.size()), 0);
    if (!h) return 0;
    Reader r(h);
    hive_visit(h, r, VISIT_PAGES);
    const int root = h->rootofs + 4;
    nk_ls(h, "", 0);
    free(get_class(h, root, ""));

    int err = 0;
    const int key = add_subkey(h, root, "FuzzKey", &err);
    if (key) {
        add_subkey(h, key, "Child", &err);
        add_value(h, key, "big", REG_BINARY);
        ValueBuffer* big = new_valuebuffer(size % 40000 + 1);
        put_buf2val(h, big, key, "big", REG_BINARY, LOOKUP_VALUE | LOOKUP_EXACT);
        free(big);
    }
    int count = 0;
    ValueInfo vi{};
    std::string first_value;
    if (ex_next_v(h, root, &count, &vi) == 1) {
        first_value = vi.name;
        free(vi.name);
        put_dword(h, root, first_value.c_str(), LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT, 1);
        del_value(h, root, first_value.c_str());
    }
    if (r.first_) {
        int c = 0, sub = 0;
        SubkeyInfo si{};
        if (ex_next_n(h, r.first_, &c, &sub, &si) == 1) {
            if (si.name) rdel_keys(h, si.name, r.first_, 0);
            free(si.name);
        }
    }
    rdel_keys(h, "FuzzKey", 0, 0);
    long len = 0;
    const unsigned char* image = hive_image(h, &len);
    // What Windows would do at its next start with the saved hive and the
    // same logs: nothing.
    Hive* again = openHiveWithLogs("again", image, len, given.data(), static_cast<int>(given.size()), HIVE_READONLY);
    if (again && hive_recovery(again)->state != HIVE_LOGS_CLEAN) abort();
    closeHive(again);
    closeHive(h);
    return 0;
}
