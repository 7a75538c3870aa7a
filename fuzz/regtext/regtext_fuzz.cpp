// Reads any bytes as a registry text file into an empty hive; whatever was
// imported must export and import again into another empty hive.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hivemend/diagnostics.h"
#include "hivemend/hive.h"
#include "hivemend/regtext.h"
#include "winfixture.h"

namespace {

// A file in memory whose path the importer can open.
class MemFile {
public:
    MemFile() : fd_(memfd_create("regtext", 0)), path_("/proc/self/fd/" + std::to_string(fd_)) {}
    ~MemFile() { close(fd_); }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    bool write(const uint8_t* data, size_t size) {
        return ftruncate(fd_, 0) == 0 && pwrite(fd_, data, size, 0) == static_cast<ssize_t>(size);
    }
    const char* path() const { return path_.c_str(); }

private:
    int fd_;
    std::string path_;
};

Hive* empty_hive() {
    static const std::string bytes = winfixture::empty_hive();
    return openHiveBuffer("fuzz", bytes.data(), static_cast<long>(bytes.size()), 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The engine reports every step; keep the fuzzer fast and its output readable.
    hive_diagnostics([](int, const char*, void*) {}, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemFile in;
    static MemFile out;
    if (!in.write(data, size)) return 0;
    const char* prefix = size % 2 ? "HKEY_LOCAL_MACHINE\\SOFTWARE" : "";

    FILE* f = fopen(in.path(), "rb");
    char line[256];
    char* name = nullptr;
    char* value = nullptr;
    for (int i = 0; f && i < 64 && get_line(line, sizeof line, f, &name, &value, data[0] == 0xFF) != 0; ++i) {
        ValueBuffer* v = nullptr;
        if (value && parse_valuestring(value, &v) >= 0) free(v);
    }
    if (f) fclose(f);

    Hive* h = empty_hive();
    if (import_reg(h, in.path(), prefix) == 0) {
        FILE* o = fopen(out.path(), "wb");
        const int keys = export_subkey(h, 0, "", prefix, o);
        fclose(o);
        if (keys < 1) abort();
        std::string text = "Windows Registry Editor Version 5.00\r\n";
        FILE* r = fopen(out.path(), "rb");
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, r)) > 0) text.append(buf, n);
        fclose(r);
        if (!out.write(reinterpret_cast<const uint8_t*>(text.data()), text.size())) abort();
        Hive* again = empty_hive();
        // What was imported once must import again from our own export.
        if (import_reg(again, out.path(), prefix) != 0) abort();
        closeHive(again);
    }
    long len = 0;
    hive_image(h, &len);
    closeHive(h);
    return 0;
}
