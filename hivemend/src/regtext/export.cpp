// Writing a key tree as registry text.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "hivemend/regtext.h"
#include "regtext/valuetext.h"

using namespace hivemend;
using namespace hivemend::regtext;

namespace {

// Registry text has no escape for line breaks in names.
bool fits_a_line(const std::string& name) { return name.find_first_of("\r\n") == std::string::npos; }

class Exporter {
public:
    Exporter(Hive* h, const char* prefix, FILE* f) : h_(h), prefix_(prefix ? prefix : ""), f_(f) {
        // Key paths bring their own backslash.
        if (!prefix_.empty() && prefix_.back() == '\\') prefix_.pop_back();
    }
    ~Exporter() { flush(); }
    Exporter(const Exporter&) = delete;
    Exporter& operator=(const Exporter&) = delete;

    // Writes the key at record offset `key` whose path is `path`, and every
    // key below it; the number of keys written.
    int tree(int key, const std::string& path);

private:
    struct Frame {
        int key;
        std::string path;
        std::vector<int> children;
        size_t next = 0;
    };

    void key_block(int key, const std::string& path, std::vector<int>* children);
    void value(const std::string& keypath, int vk);
    void flush() {
        if (!out_.empty()) fwrite(out_.data(), 1, out_.size(), f_);
        out_.clear();
    }

    Hive* h_;
    std::string prefix_;
    FILE* f_;
    std::string out_;
};

int Exporter::tree(int key, const std::string& path) {
    std::vector<Frame> stack;
    std::unordered_set<int> on_path;
    int written = 0;
    const auto enter = [&](int k, std::string p) {
        if (!on_path.insert(k).second) {
            diag_eprintf("export: key at 0x%x is its own ancestor (damaged index), not written again\n", k);
            return;
        }
        Frame f{k, std::move(p), {}, 0};
        key_block(k, f.path, &f.children);
        ++written;
        stack.push_back(std::move(f));
    };
    enter(key, path);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.children.size()) {
            on_path.erase(f.key);
            stack.pop_back();
            continue;
        }
        const int child = f.children[f.next++];
        const nk_key* nk = nk_at(h_, child);
        if (!nk) continue;
        const std::string name = key_name_whole(nk);
        if (!fits_a_line(name)) {
            diag_eprintf("export: key <%s\\%s> has a line break in its name and cannot be written\n", f.path.c_str(),
                         name.c_str());
            continue;
        }
        enter(child, f.path + "\\" + name);
    }
    return written;
}

void Exporter::key_block(int key, const std::string& path, std::vector<int>* children) {
    const nk_key* nk = nk_at(h_, key);
    const std::string name = key_name_whole(nk);
    diag_printf("Exporting key '%.*s' with %d subkeys and %d values...\n", static_cast<int>(name.size()), name.data(),
                nk->no_subkeys, nk->no_values);
    out_ += "\r\n[";
    out_ += prefix_;
    out_ += path.empty() && prefix_.empty() ? "\\" : path;
    out_ += "]\r\n";
    int count = 0;
    ValueInfo vi{};
    int r;
    while ((r = ex_next_v(h_, key, &count, &vi)) == 1) {
        free(vi.name);
        value(path, vi.vkoffs);
    }
    if (r < 0) diag_eprintf("export: values of key <%s> are damaged, some are not written\n", path.c_str());
    int sub = 0;
    count = 0;
    SubkeyInfo si{};
    while ((r = ex_next_n(h_, key, &count, &sub, &si)) == 1) {
        free(si.name);
        children->push_back(si.nkoffs + 4);
    }
    if (r < 0) diag_eprintf("export: subkeys of key <%s> are damaged, some are not written\n", path.c_str());
    if (out_.size() > (1 << 16)) flush();
}

void Exporter::value(const std::string& keypath, int vk) {
    const vk_key* v = vk_at(h_, vk);
    const std::string name = value_name_whole(v);
    if (!fits_a_line(name)) {
        diag_eprintf("export: value <%s> in key <%s> has a line break in its name and cannot be written\n",
                     name.c_str(), keypath.c_str());
        return;
    }
    ValueBuffer* data = get_vk_data(h_, vk);
    if (!data) {
        diag_eprintf("export: data of value <%s> in key <%s> is damaged, not written\n", name.c_str(), keypath.c_str());
        return;
    }
    const size_t start = out_.size();
    if (v->len_name == 0) {
        out_ += "@=";
    } else {
        out_ += '"';
        append_escaped(out_, name);
        out_ += "\"=";
    }
    const size_t width = out_.size() - start;
    append_value(out_, width, static_cast<int>(v->val_type), vb_data(data), data->len);
    free(data);
}

// Record offset of the key at `path` below `start`, 0 when there is none.
int find_key(Hive* h, int start, const char* path) {
    const int cell = trav_path(h, start, path ? path : "", LOOKUP_EXACT);
    return cell && nk_at(h, static_cast<int64_t>(cell) + 4) ? cell + 4 : 0;
}

// The key's path from the root: "\" before each name, "" for the root.
std::string key_path(Hive* h, int key) {
    std::vector<std::string> names;
    std::unordered_set<int64_t> seen;
    int64_t cur = key;
    const nk_key* nk = nk_at(h, cur);
    while (nk && cur != root_rec(h) && nk->type != NK_ROOT_TYPE && seen.insert(cur).second) {
        names.push_back(key_name_whole(nk));
        cur = stored_to_rec(nk->ofs_parent);
        nk = nk_at(h, cur);
    }
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += "\\" + *it;
    return path;
}

}  // namespace

int export_subkey(Hive* hdesc, int start, const char* path, const char* prefix, FILE* file) {
    const int key = find_key(hdesc, start, path);
    if (!key) {
        diag_printf("export: Key <%s> not found\n", path ? path : "");
        return -1;
    }
    Exporter e(hdesc, prefix, file);
    return e.tree(key, key_path(hdesc, key));
}

int export_key(Hive* hdesc, int start, const char* path, const char* filename, const char* prefix, std::string* error) {
    if (!find_key(hdesc, start, path)) {
        diag_printf("export: Key <%s> not found\n", path ? path : "");
        if (error) *error = std::string("key '") + (path ? path : "") + "' not found";
        return -1;
    }
    FILE* f = fopen(filename, "w");
    if (!f) {
        const int err = errno;
        diag_printf("export: Cannot open file '%s'. %s (%d).\n", filename, strerror(err), err);
        if (error) *error = std::string(filename) + ": " + strerror(err);
        return -1;
    }
    diag_printf("Exporting to file '%s'...\n", filename);
    fputs("Windows Registry Editor Version 5.00\r\n", f);
    const int keys = export_subkey(hdesc, start, path, prefix, f);
    fputs("\r\n", f);
    const bool failed = ferror(f) != 0;
    if (fclose(f) != 0 || failed) {
        const int err = errno;
        diag_printf("export: Cannot write file '%s'. %s (%d).\n", filename, strerror(err), err);
        if (error) *error = std::string(filename) + ": " + strerror(err);
        remove(filename);
        return -1;
    }
    return keys;
}
