#include "guard.h"

#include <cstdio>
#include <string>

#include "engine/diag.h"
#include "engine/image.h"
#include "hivemend/modify.h"
#include "hivemend/visit.h"

using namespace hivemend;

struct HiveCheck {
    int damages = 0;
    std::string first;  // "offset 0x...: what" of the first damage
    std::string text;   // what hive_damage gives
};

namespace {

class Finder : public HiveVisitor {
public:
    explicit Finder(HiveCheck* out) : out_(out) {}
    // The checksum is no structure a change relies on, and a save writes it.
    void damage(int ofs, const std::string& what) override {
        if (ofs == REGF_CHECKSUM) return;
        if (!out_->damages++) {
            char at[32];
            snprintf(at, sizeof at, "offset 0x%x: ", ofs);
            out_->first = at + what;
        }
    }

private:
    HiveCheck* out_;
};

}  // namespace

namespace hivemend {

void release_check(Hive* h) {
    delete h->check;
    h->check = nullptr;
}

}  // namespace hivemend

int hive_may_change(Hive* hdesc) {
    if (!hdesc) return 0;
    if (!hdesc->check) {
        auto* check = new HiveCheck;
        Finder finder(check);
        hive_visit(hdesc, finder, VISIT_PAGES);
        hdesc->check = check;
        if (check->damages) {
            check->text = check->first;
            if (check->damages > 1)
                check->text += " (and " + std::to_string(check->damages - 1) + " more damaged places)";
            diag_printf("hive <%s> is damaged and is not changed: %s\n", hdesc->filename, check->text.c_str());
        }
    }
    return hdesc->check->damages == 0;
}

const char* hive_damage(Hive* hdesc) { return hdesc && hdesc->check ? hdesc->check->text.c_str() : ""; }
