// Path lookup: one part of the path per step, from a start key down.

#include "path.h"

#include <cstring>
#include <string>
#include <string_view>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "engine/values.h"
#include "hivemend/lookup.h"
#include "hivemend/text.h"
#include "keys.h"

namespace hivemend {

namespace {

constexpr size_t kMaxPart = 4096;

// Cuts the next part off `rest`: up to the first single backslash, which is
// dropped; a doubled backslash stands for one inside the part.
std::string cut_part(std::string_view& rest) {
    std::string part;
    size_t i = 0;
    while (i < rest.size()) {
        if (rest[i] == '\\') {
            if (i + 1 < rest.size() && rest[i + 1] == '\\') {
                part += '\\';
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        part += rest[i++];
    }
    rest.remove_prefix(i);
    return part;
}

// The hit of value record `vk` of key `key`, found by the name `name`.
PathHit value_hit(const Hive* h, int64_t key, int vk, std::string_view name) {
    const vk_key* v = vk_at(h, vk);
    return {vk - 4, static_cast<int>(key), v && v->len_name ? name.size() : 0};
}

}  // namespace

PathHit find_path(Hive* h, int start, const char* path, int flags) {
    int64_t cur = start ? start : root_rec(h);
    std::string_view rest = path ? path : "";
    if (!(flags & LOOKUP_LITERAL) && !rest.empty() && rest[0] == '\\' && (rest.size() < 2 || rest[1] != '\\')) {
        cur = root_rec(h);
        rest.remove_prefix(1);
    }
    for (;;) {
        const nk_key* nk = nk_at(h, cur);
        if (!nk) {
            diag_puts("trav_path: Error: Not a 'nk' node!");
            return {};
        }
        const PathHit here{static_cast<int>(cur - 4), static_cast<int>(cur), 0};
        if (flags & LOOKUP_LITERAL) {
            std::string name(rest);
            name.push_back(0);
            de_escape(name.data(), 0);
            const std::string_view given = name.c_str();
            const int vk = find_value(h, nk, NameQuery(given));
            return vk ? value_hit(h, cur, vk, given) : PathHit{};
        }
        if (rest.empty()) return here;
        const std::string part = cut_part(rest);
        if (part.size() > kMaxPart) return {};
        if (part.empty()) return here;
        if (!(flags & LOOKUP_EXACT)) {
            if (part == "." && !rest.empty()) continue;
            if (part == "..") {
                if (!is_root(h, cur, nk)) cur = stored_to_rec(nk->ofs_parent);
                continue;
            }
        }
        const NameQuery q(part);
        if ((flags & LOOKUP_VALUE) && rest.empty()) {
            const int vk = find_value(h, nk, q);
            if (vk) return value_hit(h, cur, vk, part);
        }
        const int sub = find_subkey(h, nk, q, !(flags & LOOKUP_EXACT));
        if (!sub) return {};
        cur = sub;
    }
}

}  // namespace hivemend

int trav_path(Hive* hdesc, int start, const char* path, int flags) {
    return hivemend::find_path(hdesc, start, path, flags).cell;
}
