// Loads any bytes as a hive, walks all of it, makes a few changes of every
// kind and saves the image to memory.

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "hivemend/engine.h"
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The engine reports every step on standard output; keep the fuzzer fast.
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Hive* h = openHiveBuffer("fuzz", data, static_cast<long>(size), 0);
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
    hive_image(h, &len);
    closeHive(h);
    return 0;
}
