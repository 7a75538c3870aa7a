// Reading registry text into a hive.

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "engine/rename.h"
#include "engine/values.h"
#include "hivemend/modify.h"
#include "hivemend/regtext.h"
#include "line.h"
#include "registry/valuename.h"
#include "regtext/valuetext.h"

using namespace hivemend;
using namespace hivemend::regtext;

namespace {

constexpr char kSignature[] = "Windows Registry Editor";

// A name for a message: zero characters shown as \0.
std::string shown(const std::string& name) {
    std::string out;
    for (const char c : name) out += c ? std::string(1, c) : std::string("\\0");
    return out;
}

// The subkeys of a key created by the import, found by their names as the
// engine's lookup matches them: 8-bit names without regard to the case of
// 'a'-'z', UTF-16LE names exactly; a name given in bytes that are no UTF-8
// is compared as it is stored.
class NewChildren {
public:
    // Record offset of the child named `name`, 0 when there is none.
    int find(const std::string& name) const {
        for (const std::string& form : forms(name)) {
            const auto it = children_.find(form);
            if (it != children_.end()) return it->second;
        }
        return 0;
    }
    void add(const std::string& name, int rec) { children_.emplace(forms(name).front(), rec); }

private:
    static std::string folded(std::string s) {
        for (char& c : s) c = static_cast<char>(fold_az(static_cast<unsigned char>(c)));
        return s;
    }
    // Built by appending: GCC 12 at -O3 misreads `"c" + std::string&&` as an
    // overlapping copy (-Wrestrict).
    static std::string tagged(char tag, const std::string& s) {
        std::string t(1, tag);
        return t.append(s);
    }
    // The stored form first, then the given bytes as an 8-bit name.
    static std::vector<std::string> forms(const std::string& name) {
        const StoredName sn = encode_name(name);
        return {tagged(sn.compressed ? 'c' : 'w', sn.compressed ? folded(sn.bytes) : sn.bytes),
                tagged('c', folded(name))};
    }
    std::unordered_map<std::string, int> children_;
};

class Importer {
public:
    Importer(Hive* h, const char* filename, const char* prefix)
        : h_(h), file_(filename), prefix_(prefix ? prefix : "") {}

    int run(FILE* f, bool wide);
    // Why the import failed: file, line and reason of the first error.
    const std::string& error() const { return error_; }

private:
    struct Pending {
        std::string name;  // as written
        std::string text;
        int line = 0;
        bool continues = false;
    };

    bool key_line(const RegLine& l);
    bool open_key(const std::string& path);
    bool delete_key(const std::string& path);
    bool store(const Pending& p);
    // Records the first error; prints it unless `printed` already was.
    bool fail(int line, const std::string& why, bool printed = false);
    // The key path after the prefix, or false when the line is for another hive.
    bool after_prefix(std::string_view text, std::string* rest) const;
    void end_key();

    Hive* h_;
    std::string file_;
    std::string prefix_;
    int key_ = 0;           // record offset of the current key, 0 = none
    bool any_key_ = false;  // a key line was met
    bool key_skipped_ = false;
    int keys_ = 0;
    int matched_ = 0;
    int added_ = 0;
    int values_ = 0;
    int key_values_ = 0;
    // The names and record offsets of the current key's path, so that the
    // keys of a file that lists siblings one after the other are not
    // looked up from the root again and again.
    std::vector<std::pair<std::string, int>> path_;
    int line_ = 0;
    std::string error_;
    // The children of the keys this import created, which no one else has
    // changed: a new key's name is looked up here instead of among all its
    // siblings in the hive, which keeps large imports fast.
    std::unordered_map<int, NewChildren> made_;
};

bool Importer::fail(int line, const std::string& why, bool printed) {
    const std::string where = file_ + ":" + std::to_string(line) + ": ";
    if (!printed) diag_eprintf("import_reg: ERROR: %s%s\n", where.c_str(), why.c_str());
    if (error_.empty()) error_ = where + why;
    return false;
}

bool Importer::after_prefix(std::string_view text, std::string* rest) const {
    const size_t n = prefix_.size();
    if (n) {
        if (text.size() < n || strncasecmp(text.data(), prefix_.data(), n) != 0) return false;
        if (prefix_.back() != '\\' && text.size() > n && text[n] != '\\') return false;
        text.remove_prefix(n);
    } else if (text.size() >= 5 && strncasecmp(text.data(), "HKEY_", 5) == 0) {
        // A root name where the file holds paths inside the hive: the file
        // needs a prefix, and its keys must not become keys of this hive.
        return false;
    }
    *rest = std::string(text);
    return true;
}

void Importer::end_key() {
    if (!any_key_) return;
    if (h_->state & HIVE_VERBOSE) {
        diag_printf("--- END of key, with %d values\n", key_values_);
    } else {
        diag_printf(" with %d values.\n", key_values_);
    }
}

bool Importer::open_key(const std::string& path) {
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos <= path.size()) {
        const size_t end = std::min(path.find('\\', pos), path.size());
        if (end > pos) names.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    size_t same = 0;
    while (same < names.size() && same < path_.size() && path_[same].first == names[same]) ++same;
    path_.resize(same);
    int cur = same ? path_.back().second : root_rec(h_);
    for (size_t i = same; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (!valid_key_name(name.c_str()) || name.find('\0') != std::string::npos) {
            diag_eprintf("\nERROR: import_reg: failed to add (sub)key <%s>\n", name.c_str());
            return fail(
                line_,
                std::string("<").append(shown(name)).append("> is not a valid key name (1 to 255 characters, no zero)"),
                true);
        }
        const auto made_here = made_.find(cur);
        int next = made_here != made_.end() ? made_here->second.find(name) : 0;
        if (made_here == made_.end()) {
            const int cell = trav_path(h_, cur, name.c_str(), LOOKUP_EXACT);
            next = cell && nk_at(h_, static_cast<int64_t>(cell) + 4) ? cell + 4 : 0;
        }
        if (!next) {
            const nk_key* made = add_key(h_, cur, name.c_str());
            if (!made) {
                diag_eprintf("\nERROR: import_reg: failed to add (sub)key <%s>\n", name.c_str());
                return fail(line_, "failed to add key <" + name + ">", true);
            }
            next = rec_ofs(h_, made);
            if (made_here != made_.end()) made_here->second.add(name, next);
            made_[next];
            diag_printf(" [added <%s>] ", name.c_str());
            ++added_;
        }
        path_.emplace_back(name, next);
        cur = next;
    }
    key_ = cur;
    return true;
}

bool Importer::delete_key(const std::string& path) {
    path_.clear();
    made_.clear();
    const int cell = trav_path(h_, 0, path.c_str(), LOOKUP_EXACT);
    if (!cell || cell + 4 == root_rec(h_)) return true;
    const nk_key* nk = nk_at(h_, static_cast<int64_t>(cell) + 4);
    if (!nk) return true;
    const int parent = static_cast<int>(stored_to_rec(nk->ofs_parent));
    const std::string name = key_name_utf8(nk);
    return rdel_keys(h_, name.empty() ? "?" : name.c_str(), parent, cell) == 1;
}

bool Importer::key_line(const RegLine& l) {
    end_key();
    any_key_ = true;
    key_values_ = 0;
    key_ = 0;
    key_skipped_ = false;
    std::string text(l.name);
    diag_printf("--- Import KEY <%s> ", text.c_str());
    const bool deletion = !text.empty() && text.front() == '-';
    if (deletion) text.erase(0, 1);
    std::string rest;
    if (!after_prefix(text, &rest)) {
        diag_printf("import_reg: WARNING: found key <%s> not matching prefix <%s>\n", text.c_str(), prefix_.c_str());
        key_skipped_ = true;
        return true;
    }
    ++matched_;
    if (deletion) {
        key_skipped_ = true;
        return delete_key(rest) || fail(line_, "failed to delete key <" + rest + ">");
    }
    ++keys_;
    return open_key(rest);
}

bool Importer::store(const Pending& p) {
    if (key_skipped_) return true;
    if (p.continues) return fail(p.line, "the data of value " + p.name + " ends with '\\' but no line continues it");
    if (!key_) return fail(p.line, "value " + p.name + " comes before any key");
    const std::string name = p.name == "@" ? std::string() : unquote(p.name);
    if (name.find('\0') != std::string::npos)
        return fail(p.line, "value name <" + shown(name) + "> holds a zero character and cannot be stored");
    const NameQuery q(name);
    if (p.text == "-") {
        if (const nk_key* nk = nk_at(h_, key_); nk && find_value(h_, nk, q))
            del_value(h_, key_, path_value_name(name).c_str());
        return true;
    }
    ValueText v;
    std::string error;
    if (!parse_value(p.text, &v, &error)) {
        if (error.rfind("hex string", 0) == 0) diag_eprintf("parse_values: %s\n", error.c_str());
        return fail(p.line, error);
    }
    const int len = static_cast<int>(v.data.size());
    if (h_->state & HIVE_VERBOSE) diag_printf("  Value <%s> of type %d length %d", name.c_str(), v.type, len);
    const nk_key* nk = nk_at(h_, key_);
    const int vk = nk ? find_value(h_, nk, q) : 0;
    if (!vk) {
        if (!add_value(h_, key_, path_value_name(name).c_str(), v.type))
            return fail(p.line, "cannot add value " + p.name);
        if (h_->state & HIVE_VERBOSE) diag_printf(" [CREATED]");
    } else if (static_cast<int>(vk_at(h_, vk)->val_type) != v.type) {
        const int old = static_cast<int>(vk_at(h_, vk)->val_type);
        diag_eprintf("ERROR: import_reg: unable to change value <%s>, new type is %d while old is %d\n", name.c_str(),
                     v.type, old);
        return fail(
            p.line,
            "value <" + name + "> has type " + std::to_string(old) + " in the hive, not " + std::to_string(v.type),
            true);
    }
    if (h_->state & HIVE_VERBOSE) diag_putchar('\n');
    ValueBuffer* kv = new_valuebuffer(len);
    memcpy(vb_data(kv), v.data.data(), v.data.size());
    const int stored = put_buf2val(h_, kv, key_, literal_value_name(name).c_str(), v.type,
                                   LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT);
    free(kv);
    if (stored != len) return fail(p.line, "cannot store the data of value " + p.name);
    ++values_;
    ++key_values_;
    return true;
}

int Importer::run(FILE* f, bool wide) {
    std::string line;
    bool lf = false;
    int number = 1;
    if (!read_line(f, wide, &line, &lf) || line.compare(0, sizeof kSignature - 1, kSignature) != 0) {
        diag_eprintf("import_reg: ERROR: Windows Registry Editor signature missing on first line\n");
        fail(1, "\"Windows Registry Editor\" signature missing on the first line", true);
        return -1;
    }
    Pending pending;
    bool have = false;
    bool ok = true;
    while (ok && read_line(f, wide, &line, &lf)) {
        ++number;
        line_ = number;
        const RegLine l = split_line(line);
        if (l.kind == LineKind::Empty || l.kind == LineKind::Comment) continue;
        if (have && pending.continues && l.kind == LineKind::Other) {
            std::string_view more = l.value;
            pending.continues = !more.empty() && more.back() == '\\';
            if (pending.continues) more.remove_suffix(1);
            pending.text += more;
            continue;
        }
        if (have) {
            ok = store(pending);
            have = false;
            if (!ok) break;
        }
        if (l.kind == LineKind::Key) {
            if (l.unterminated) diag_printf("get_line: WARNING: un-terminated key line..\n");
            ok = key_line(l);
        } else if (l.kind == LineKind::Value) {
            pending = Pending{std::string(l.name), std::string(l.value), number, false};
            pending.continues = !is_quoted(pending.text) && !pending.text.empty() && pending.text.back() == '\\';
            if (pending.continues) pending.text.pop_back();
            have = true;
        } else {
            diag_eprintf("import_reg: WARNING: %s:%d: line not understood, ignored: %.60s\n", file_.c_str(), number,
                         line.c_str());
        }
    }
    if (ok && have) ok = store(pending);
    if (ok) end_key();
    if (ok && any_key_ && !matched_) ok = fail(number, "no key of the file begins with the prefix <" + prefix_ + ">");
    diag_printf("\nEND OF IMPORT, file <%s>, operation %s!\n", file_.c_str(), ok ? "SUCCEEDED" : "FAILED");
    diag_printf("%d keys\n", keys_);
    diag_printf("%d new keys added\n", added_);
    diag_printf("%d values total\n\n", values_);
    return ok ? 0 : -1;
}

}  // namespace

int import_reg(Hive* hdesc, const char* filename, const char* prefix, std::string* error) {
    if (!hive_may_change(hdesc)) {
        if (error) *error = std::string("the hive is damaged (") + hive_damage(hdesc) + ")";
        return -1;
    }
    FILE* f = filename ? fopen(filename, "rb") : nullptr;
    if (!f) {
        const int err = errno;
        diag_eprintf("import_reg: Cannot open file '%s'. %s (%d).\n", filename ? filename : "", strerror(err), err);
        if (error) *error = std::string(filename ? filename : "(null)") + ": " + strerror(err);
        return -1;
    }
    bool wide = false;
    const int first = getc(f);
    if (first == 0xFF) {
        getc(f);
        wide = true;
        diag_eprintf(
            "import_reg: WARNING: Wide character (16 bit) file..\n"
            "import_reg: WARNING: Implementation is not 100%% accurate, some things may not import correctly!\n");
    } else if (first == 0xEF) {
        // A UTF-8 byte order mark is no part of the signature.
        if (getc(f) != 0xBB || getc(f) != 0xBF) rewind(f);
    } else if (first != EOF) {
        ungetc(first, f);
    }
    Importer imp(hdesc, filename, prefix);
    const int r = imp.run(f, wide);
    fclose(f);
    if (r != 0) {
        hdesc->state &= ~HIVE_DIRTY;
        if (error) *error = imp.error();
    }
    return r;
}
