#include "support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

namespace hivetest {

std::string sample(const std::string& name) {
    const char* dir = std::getenv("HIVE_SAMPLES");
    if (!dir) throw std::runtime_error("HIVE_SAMPLES is not set");
    return std::string(dir) + "/" + name;
}

ScratchDir::ScratchDir() {
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/hivemend-test.XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ScratchDir::copy(const std::string& from, const std::string& name) const {
    const std::string to = file(name);
    write_file(to, read_file(from));
    return to;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string run(const std::string& command, int* status) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

std::string hivex_spelling(const char* name, size_t len, bool compressed) {
    if (compressed) return std::string(name, len);
    char* s = string_regw2prog(name, static_cast<int>(len));
    std::string r = s;
    free(s);
    return r;
}

namespace {

class TreeBuilder : public HiveVisitor {
public:
    TreeBuilder(Hive* h, Tree* t, NameSpelling spell) : h_(h), t_(t), spell_(spell) {}
    bool enter_key(int nk, int depth) override {
        path_.resize(static_cast<size_t>(depth));
        if (depth > 0) {
            const auto* rec = reinterpret_cast<const nk_key*>(h_->buffer + nk);
            path_.push_back(spell_(nk_name(rec), rec->len_name, rec->type & NK_COMPRESSED_NAME));
        }
        (*t_)[current()];
        return true;
    }
    void value(int, int vk, const ValueBuffer* data) override {
        const auto* rec = reinterpret_cast<const vk_key*>(h_->buffer + vk);
        Value v{static_cast<int>(rec->val_type),
                data ? std::string(reinterpret_cast<const char*>(vb_data(data)), static_cast<size_t>(data->len))
                     : std::string("<damaged>")};
        (*t_)[current()][spell_(vk_name(rec), rec->len_name, rec->flag & VK_COMPRESSED_NAME)] = v;
    }
    void damage(int, const std::string&) override { ++damages; }
    int damages = 0;

private:
    std::string current() const {
        std::string p;
        for (size_t i = 1; i < path_.size(); ++i) p += "\\" + path_[i];
        return p.empty() ? "\\" : p;
    }
    Hive* h_;
    Tree* t_;
    NameSpelling spell_;
    std::vector<std::string> path_{""};
};

int hexval(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

}  // namespace

std::string reg_quoted(const std::string& line, size_t* end) {
    std::string r;
    size_t i = 1;
    for (; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        r += line[i];
    }
    *end = i + 1;
    return r;
}

Value reg_value(const std::string& data) {
    Value v;
    if (data.rfind("dword:", 0) == 0) {
        v.type = REG_DWORD;
        const auto d = static_cast<uint32_t>(std::stoul(data.substr(6), nullptr, 16));
        v.data.assign(reinterpret_cast<const char*>(&d), 4);
    } else {
        const size_t colon = data.find(':');
        v.type = data[3] == '(' ? std::stoi(data.substr(4, data.find(')') - 4), nullptr, 16) : REG_BINARY;
        for (size_t i = colon + 1; i + 1 < data.size(); i += 3)
            v.data += static_cast<char>(hexval(data[i]) * 16 + hexval(data[i + 1]));
    }
    return v;
}

void split_into_ri(Hive* h, int key) {
    const auto* nk = reinterpret_cast<const nk_key*>(h->buffer + key);
    const int list = nk->ofs_lf + HBIN_START;
    const auto* head = reinterpret_cast<const index_head*>(h->buffer + list + 4);
    const uint16_t id = head->id;
    const int n = head->no_entries;
    const int esize = id == ID_LI ? 4 : 8;
    const std::string entries(reinterpret_cast<const char*>(h->buffer + list + 8), static_cast<size_t>(n * esize));
    int leaves[2];
    for (int part = 0; part < 2; ++part) {
        const int first = part ? n / 2 : 0;
        const int count = part ? n - n / 2 : n / 2;
        std::string bytes(4, 0);
        memcpy(bytes.data(), &id, 2);
        memcpy(bytes.data() + 2, &count, 2);
        bytes += entries.substr(static_cast<size_t>(first * esize), static_cast<size_t>(count * esize));
        leaves[part] = alloc_block(h, key, static_cast<int>(bytes.size()));
        ASSERT_EQ(fill_block(h, leaves[part], bytes.data(), static_cast<int>(bytes.size())), 0);
    }
    std::string ri = "ri";
    ri += std::string("\x02\x00", 2);
    for (int l : leaves) {
        const int32_t stored = l - HBIN_START;
        ri.append(reinterpret_cast<const char*>(&stored), 4);
    }
    const int ric = alloc_block(h, key, static_cast<int>(ri.size()));
    ASSERT_EQ(fill_block(h, ric, ri.data(), static_cast<int>(ri.size())), 0);
    free_block(h, list);
    reinterpret_cast<nk_key*>(h->buffer + key)->ofs_lf = ric - HBIN_START;
}

Tree engine_tree(Hive* h, int* damages, NameSpelling spell) {
    Tree t;
    TreeBuilder b(h, &t, spell);
    hive_visit(h, b, VISIT_PAGES);
    if (damages) *damages = b.damages;
    return t;
}

Tree hivex_tree(const std::string& file) {
    int status = 0;
    const std::string out = run("hivexregedit --export '" + file + "' '\\' 2>/dev/null", &status);
    Tree t;
    if (status != 0) return t;
    std::istringstream in(out);
    std::string line;
    std::string key;
    while (std::getline(in, line)) {
        if (line.empty() || line.rfind("Windows Registry", 0) == 0) continue;
        if (line[0] == '[') {
            key = line.substr(1, line.size() - 2);
            t[key];
            continue;
        }
        size_t pos = 1;
        const std::string name = line[0] == '@' ? std::string() : reg_quoted(line, &pos);
        t[key][name] = reg_value(line.substr(pos + 1));
    }
    return t;
}

}  // namespace hivetest
