#include "options.h"

bool take_prefix(const Args& args, Args* rest, std::string* prefix) {
    prefix->clear();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--prefix") {
            rest->push_back(args[i]);
            continue;
        }
        if (i + 1 == args.size()) return false;
        *prefix = args[++i];
    }
    return true;
}
