// hivemend check HIVE

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "hivemend/recovery.h"
#include "hivemend/visit.h"
#include "logstate.h"
#include "open.h"
#include "quiet.h"
#include "safetext/safetext.h"

namespace {

class Checker : public HiveVisitor {
public:
    explicit Checker(std::string file) : file_(std::move(file)) {}
    bool enter_key(int, int) override {
        ++keys_;
        return true;
    }
    void value(int, int, const ValueBuffer*) override { ++values_; }
    void damage(int ofs, const std::string& what) override { found_.push_back({ofs, what}); }

    void print() const {
        const std::string file = safetext::escaped(file_);
        for (const auto& [ofs, what] : found_)
            printf("%s: offset 0x%x: %s\n", file.c_str(), ofs, safetext::escaped(what).c_str());
        printf("%s: %d keys, %d values, %s\n", file.c_str(), keys_, values_,
               found_.empty() ? "no damage found" : (std::to_string(found_.size()) + " damaged places").c_str());
    }
    size_t damages() const { return found_.size(); }

private:
    std::string file_;
    int keys_ = 0;
    int values_ = 0;
    std::vector<std::pair<int, std::string>> found_;
};

}  // namespace

int cmd_check(const Args& args, const Options& opts) {
    if (args.size() != 1) return fail(2, "usage: hivemend check HIVE");
    HivePtr h = open_for_reading(args[0], opts.quiet);
    if (!h) return 1;
    Checker c(args[0]);
    {
        Quiet q(opts.quiet);
        hive_visit(h.get(), c, VISIT_PAGES);
    }
    print_log_state(args[0], *hive_recovery(h.get()));
    c.print();
    if (c.damages()) return fail(1, args[0] + ": damaged hive (" + std::to_string(c.damages()) + " places)");
    return 0;
}
