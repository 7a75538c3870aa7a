#include "hivemend/CKRegstry.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/diag.h"
#include "engine/image.h"
#include "engine/names.h"
#include "engine/rename.h"
#include "engine/values.h"
#include "hivemend/lookup.h"
#include "hivemend/modify.h"
#include "hivemend/regfile.h"
#include "hivemend/regstring.h"
#include "hivemend/text.h"
#include "registry/valuename.h"

using namespace hivemend;

namespace {

constexpr int kLiteral = LOOKUP_VALUE | LOOKUP_LITERAL | LOOKUP_EXACT;
// Longest key path AddSubKey takes, terminator excluded.
constexpr size_t kMaxAddPath = 319;

// A file that is not there keeps the message technicians know; any other
// reason is named, since "make sure it exists" about a file that exists
// sends them looking in the wrong place.
[[noreturn]] void open_failed(const char* path, const std::string& why) {
    char msg[900];
    if (why.empty())
        snprintf(msg, sizeof msg, "Open file failed, make sure the file(%.511s) exist!", path ? path : "");
    else
        snprintf(msg, sizeof msg, "Open file failed: %.511s: %.300s", path ? path : "", why.c_str());
    throw std::runtime_error(msg);
}

// A UTF-8 text cut to at most `max` bytes without splitting a character.
size_t utf8_cut(const std::string& s, size_t max) {
    if (s.size() <= max) return s.size();
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return n;
}

std::vector<std::string> split_path(const char* path) {
    std::vector<std::string> parts(1);
    for (const char* p = path; *p; ++p) {
        if (*p == '\\') {
            parts.emplace_back();
        } else {
            parts.back() += *p;
        }
    }
    return parts;
}

// A value as EnumValues lists it: text types in UTF-8, dwords as 4 bytes.
_REG_VALUE* make_value(const vk_key* vk, const ValueBuffer* data) {
    const int type = static_cast<int>(vk->val_type);
    const auto* bytes = reinterpret_cast<const char*>(vb_data(data));
    std::string out;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        out = utf16le_to_utf8(bytes, static_cast<size_t>(data->len));
    } else if (type == REG_DWORD || type == REG_DWORD_BIG_ENDIAN) {
        out.assign(4, 0);
        memcpy(out.data(), bytes, data->len < 4 ? static_cast<size_t>(data->len) : 4);
    } else {
        out.assign(bytes, static_cast<size_t>(data->len));
    }
    auto* v = static_cast<_REG_VALUE*>(calloc(1, offsetof(_REG_VALUE, data) + out.size() + 4));
    if (!v) {
        diag_perror("malloc failure");
        abort();
    }
    const std::string name = value_name_utf8(vk);
    memcpy(v->name, name.data(), utf8_cut(name, sizeof v->name - 1));
    v->type = type;
    v->size = static_cast<int>(out.size());
    memcpy(v->data, out.data(), out.size());
    return v;
}

template <class T>
T* alloc_array(int n) {
    void* p = calloc(static_cast<size_t>(n > 0 ? n : 1), sizeof(T));
    if (!p) {
        diag_perror("malloc failure");
        abort();
    }
    return static_cast<T*>(p);
}

// At most `size` bytes of the value's data into `buf`; its full length, 0
// when it is missing or of another type.
int copy_value(CKRegstry& hive, unsigned key, const char* name, int type, void* buf, int size) {
    void* v = nullptr;
    const int len = hive.GetValue(key, name, &v, type);
    if (!len) return 0;
    if (buf && size > 0)
        memcpy(buf, vb_data(static_cast<ValueBuffer*>(v)), static_cast<size_t>(len < size ? len : size));
    CKRegstry::FreeValue(v);
    return len;
}

}  // namespace

CKRegstry::CKRegstry() = default;

CKRegstry::~CKRegstry() { CloseHive(); }

int CKRegstry::OpenFileHive(const char* path) {
    if (hive && (hive->state & HIVE_DIRTY)) {
        throw std::runtime_error(std::string("Open file failed: the hive ") + fileName + " has unsaved changes");
    }
    CloseHive();
    openError.clear();
    if (!path || strcpy_s(fileName, sizeof fileName, path) != 0) {
        fileName[0] = 0;
        open_failed(path, "");
    }
    char resolved[260];
    if (!parse_insensitive_path(path, resolved, sizeof resolved) || !LoadFile(resolved)) open_failed(path, openError);
    return 1;
}

bool CKRegstry::LoadFile(const char* path) {
    openError.clear();
    hive = openHive(path, 0);
    if (!hive) {
        const std::string why = hive_open_error();
        openError = why == strerror(ENOENT) ? std::string() : why;
        return false;
    }
    // A file that is no hive, or whose root key cannot be read, holds no
    // registry to work on.
    if (hive->size < 4 || memcmp(hive->buffer, "regf", 4) != 0) {
        openError = "not a registry hive (no 'regf' signature)";
    } else if (hive->size < HBIN_START) {
        openError = "not a registry hive (" + std::to_string(hive->size) + " bytes, shorter than its base block)";
    } else if (!nk_at(hive, root_rec(hive))) {
        openError = "not a readable registry hive (its base block does not lead to a root key)";
    } else {
        return true;
    }
    closeHive(hive);
    hive = nullptr;
    return false;
}

const char* CKRegstry::OpenError() const {
    return openError.empty() && !hive ? "the file does not exist" : openError.c_str();
}

void CKRegstry::CloseHive() {
    if (!hive) return;
    diag_printf("closing hive %s\n", hive->filename);
    closeHive(hive);
    hive = nullptr;
}

int CKRegstry::SaveHive() {
    if (!hive) return 0;
    return writeHive(hive) == 0 ? 1 : 0;
}

int CKRegstry::IsDirtyHive() { return hive && (hive->state & HIVE_DIRTY) ? 1 : 0; }

bool CKRegstry::IsValid() const { return hive != nullptr; }

const char* CKRegstry::Damage() { return hive && !hive_may_change(hive) ? hive_damage(hive) : ""; }

int CKRegstry::ConverKeypath(const char* src, char* dst) {
    if (strcpy_s(dst, 324, src) == 0) return 0;
    if (dst) dst[0] = 0;
    return -1;
}

unsigned CKRegstry::OpenKey(const char* path, int key) { return GetOffset(path, key); }

nk_key* CKRegstry::nk(unsigned key) {
    if (!hive) return nullptr;
    return nk_at(hive, key ? static_cast<int64_t>(key) : root_rec(hive));
}

unsigned CKRegstry::GetOffset(const char* path, int key) {
    if (!hive) return 0;
    const int cell = trav_path(hive, key, path ? path : "", LOOKUP_EXACT);
    return cell && nk_at(hive, static_cast<int64_t>(cell) + 4) ? static_cast<unsigned>(cell + 4) : 0;
}

nk_key* CKRegstry::FindKey(const char* path, int key) {
    if (!hive) return nullptr;
    const int cell = trav_path(hive, key, path ? path : "", 0);
    return cell ? nk_at(hive, static_cast<int64_t>(cell) + 4) : nullptr;
}

unsigned CKRegstry::keyoffset(const void* record) {
    const auto* p = static_cast<const unsigned char*>(record);
    if (!hive || p < hive->buffer || p >= hive->buffer + hive->size || !nk_at(hive, p - hive->buffer)) {
        diag_puts("not a nk node");
        return 0;
    }
    return static_cast<unsigned>(p - hive->buffer);
}

unsigned CKRegstry::GetParentKey(int key) {
    if (!hive || !key) return 0;
    const nk_key* k = nk_at(hive, key);
    if (!k) return 0;
    const int64_t parent = stored_to_rec(k->ofs_parent);
    return nk_at(hive, parent) ? static_cast<unsigned>(parent) : 0;
}

nk_key* CKRegstry::RootKey() { return hive ? nk_at(hive, root_rec(hive)) : nullptr; }

unsigned CKRegstry::RootKeyOfs() {
    return hive && nk_at(hive, root_rec(hive)) ? static_cast<unsigned>(root_rec(hive)) : 0;
}

int CKRegstry::GetSubkeyCount(unsigned key) {
    const nk_key* k = nk(key);
    if (!k) {
        diag_puts("not a nk node.");
        return 0;
    }
    return k->no_subkeys;
}

int CKRegstry::GetValueCount(unsigned key) {
    const nk_key* k = nk(key);
    if (!k) {
        diag_puts("not a nk node.");
        return 0;
    }
    return k->no_values;
}

int CKRegstry::EnumSubkeys(unsigned key, _REG_SUBKEYS* out, void (*cb)(char*)) {
    if (!hive) return 0;
    const nk_key* k = nk(key);
    if (!k) {
        diag_puts("not a nk node.");
        return 0;
    }
    const int rec = rec_ofs(hive, k);
    struct Sub {
        std::string name;
        unsigned offset;
        int subkeys;
    };
    std::vector<Sub> subs;
    int count = 0;
    int subindex = 0;
    SubkeyInfo info{};
    while (ex_next_n(hive, rec, &count, &subindex, &info) == 1) {
        free(info.name);
        subs.push_back({key_name_utf8(info.nk), static_cast<unsigned>(info.nkoffs + 4), info.nk->no_subkeys});
    }
    if (out) {
        out->count = static_cast<int>(subs.size());
        out->names = alloc_array<char*>(out->count);
        out->offsets = alloc_array<unsigned>(out->count);
        out->subkeys = alloc_array<int>(out->count);
    }
    for (size_t i = 0; i < subs.size(); ++i) {
        diag_printf("kename:%s \n", subs[i].name.c_str());
        if (cb) {
            std::vector<char> copy(subs[i].name.begin(), subs[i].name.end());
            copy.push_back(0);
            cb(copy.data());
        }
        if (out) {
            out->names[i] = str_dup(subs[i].name.c_str());
            out->offsets[i] = subs[i].offset;
            out->subkeys[i] = subs[i].subkeys;
        }
    }
    return 0;
}

int CKRegstry::EnumValues(unsigned key, _REG_VALUES* out, void (*cb)(_REG_VALUE*)) {
    if (!hive || !out) return 0;
    out->count = 0;
    out->items = nullptr;
    const nk_key* k = nk(key);
    if (!k) {
        diag_puts("not a nk node.");
        return -1;
    }
    const int rec = rec_ofs(hive, k);
    std::vector<int> vks;
    int count = 0;
    ValueInfo info{};
    while (ex_next_v(hive, rec, &count, &info) == 1) {
        free(info.name);
        vks.push_back(info.vkoffs);
    }
    out->count = static_cast<int>(vks.size());
    out->items = alloc_array<_REG_VALUE*>(out->count);
    for (size_t i = 0; i < vks.size(); ++i) {
        ValueBuffer* data = get_vk_data(hive, vks[i]);
        if (!data) continue;
        const vk_key* vk = vk_at(hive, vks[i]);
        _REG_VALUE* v = make_value(vk, data);
        free(data);
        out->items[i] = v;
        if (cb) cb(v);
        if (vk->len_name == 0 && !(vk->len_data & VK_DATA_INLINE) && vk->len_data > 0) strcpy(v->name, "(default)");
    }
    return -1;
}

int CKRegstry::GetValue(unsigned key, const char* name, void** out, int type) {
    if (!hive || !out) return 0;
    const std::string path = path_value_name(inter_value_name(name));
    const int cell = trav_path(hive, static_cast<int>(key), path.c_str(), LOOKUP_VALUE | LOOKUP_EXACT);
    const vk_key* vk = cell ? vk_at(hive, static_cast<int64_t>(cell) + 4) : nullptr;
    if (!vk) return 0;
    if (type && vk->val_type && static_cast<int>(vk->val_type) != type) {
        diag_printf("Value <%s> is not of correct type!\n", path.c_str());
        return 0;
    }
    ValueBuffer* data = get_vk_data(hive, cell + 4);
    if (!data || data->len <= 0) {
        free(data);
        return 0;
    }
    auto* buf = static_cast<ValueBuffer*>(calloc(1, sizeof(ValueBuffer) + static_cast<size_t>(data->len) + 4));
    if (!buf) {
        diag_perror("malloc failure");
        abort();
    }
    buf->len = data->len;
    memcpy(vb_data(buf), vb_data(data), static_cast<size_t>(data->len));
    free(data);
    *out = buf;
    return buf->len;
}

int CKRegstry::GetBinaryValue(unsigned key, const char* name, void* buf, int size) {
    return copy_value(*this, key, name, REG_BINARY, buf, size);
}

int CKRegstry::GetStringValue(unsigned key, const char* name, void* buf, int size) {
    return copy_value(*this, key, name, REG_SZ, buf, size);
}

int CKRegstry::GetDWordValue(unsigned key, const char* name, void* out) {
    void* v = nullptr;
    const int len = GetValue(key, name, &v, REG_DWORD);
    if (!len) return 0;
    if (out) {
        uint32_t d = 0;
        memcpy(&d, vb_data(static_cast<ValueBuffer*>(v)), len < 4 ? static_cast<size_t>(len) : 4);
        memcpy(out, &d, 4);
    }
    FreeValue(v);
    return len;
}

int CKRegstry::GetValueType(unsigned key, const char* name) {
    if (!hive) return -1;
    return get_val_type(hive, static_cast<int>(key), literal_value_name(inter_value_name(name)).c_str(), kLiteral);
}

int CKRegstry::ReadValue(unsigned key, const char* name, int* type, void** out) {
    const nk_key* k = hive ? nk(key) : nullptr;
    const int vk = k ? find_value(hive, k, NameQuery(inter_value_name(name))) : 0;
    ValueBuffer* data = vk ? get_vk_data(hive, vk) : nullptr;
    if (!data) return -1;
    if (type) *type = static_cast<int>(vk_at(hive, vk)->val_type);
    const int len = data->len;
    if (out) {
        *out = data;
    } else {
        free(data);
    }
    return len;
}

int CKRegstry::FindValueName(unsigned key, const char* name) {
    const nk_key* k = nk(key);
    if (!k) {
        diag_puts("not a nk node");
        return 0;
    }
    const int vk = find_value(hive, k, NameQuery(inter_value_name(name)));
    return vk ? vk - 4 : 0;
}

int CKRegstry::SetValue(unsigned key, int type, const char* name, const void* data, int len, int mode) {
    const nk_key* k = nk(key);
    if (!k) {
        diag_puts("not a nk node.");
        return 0;
    }
    const int rec = rec_ofs(hive, k);
    const std::string vname = inter_value_name(name);
    const int cell = FindValueName(static_cast<unsigned>(rec), vname.c_str());
    if (!cell && mode == 2) return -2;
    if (cell && mode == 1) return -1;
    if ((len > 0 && !data) || !hive_may_change(hive)) return 0;
    uint32_t old_type = 0;
    if (cell) {
        vk_key* vk = vk_at(hive, cell + 4);
        old_type = vk->val_type;
        vk->val_type = static_cast<uint32_t>(type);
    } else if (!add_value(hive, rec, path_value_name(vname).c_str(), type)) {
        return 0;
    }
    ValueBuffer* kv = new_valuebuffer(len > 0 ? len : 0);
    if (len > 0) memcpy(vb_data(kv), data, static_cast<size_t>(len));
    const int stored = put_buf2val(hive, kv, rec, literal_value_name(vname).c_str(), type, kLiteral);
    free(kv);
    if (stored != len && cell) {
        // The data could not be stored: the value keeps the type it had.
        if (vk_key* vk = vk_at(hive, cell + 4)) vk->val_type = old_type;
    }
    hive->state |= HIVE_DIRTY;
    return len > 0 ? stored : 0;
}

int CKRegstry::DeleValueKey(unsigned key, const char* name) {
    if (!hive || !key) return 0;
    del_value(hive, static_cast<int>(key), path_value_name(inter_value_name(name)).c_str());
    return 0;
}

unsigned CKRegstry::AddSubKey(unsigned key, const char* path, int* err) {
    if (!hive || !path) return 0;
    if (strlen(path) > kMaxAddPath) {
        diag_printf("add key: path of %zu characters is too long: %.40s...\n", strlen(path), path);
        diag_puts("It is failed to add key");
        return 0;
    }
    const std::vector<std::string> parts = split_path(path);
    for (const std::string& part : parts) {
        if (!part.empty() && !valid_key_name(part.c_str())) {
            diag_printf("add key: <%s> is not a valid key name\n", part.c_str());
            diag_puts("It is failed to add key");
            return 0;
        }
    }
    const nk_key* k = nk(key);
    if (!k) {
        diag_puts("not a nk node.");
        return 0;
    }
    int current = rec_ofs(hive, k);
    size_t last = parts.size();
    while (last > 0 && parts[last - 1].empty()) --last;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].empty()) continue;
        const unsigned found = GetOffset(parts[i].c_str(), current);
        if (found) {
            if (i + 1 == last && err) *err = 2;
            current = static_cast<int>(found);
            continue;
        }
        const int made = add_subkey(hive, current, parts[i].c_str(), err);
        if (!made) {
            diag_puts("It is failed to add key");
            return 0;
        }
        diag_printf("add key: %s\n", key_name_utf8(nk_at(hive, made)).c_str());
        current = made;
    }
    return static_cast<unsigned>(current);
}

int CKRegstry::DeleSubKey(unsigned key, const char* name) {
    if (!hive || !name) return 0;
    rdel_keys(hive, name, static_cast<int>(key), 0);
    return 0;
}

int CKRegstry::DeleCurentKey(unsigned key, const char* name) {
    if (!hive || !key) return 0;
    const nk_key* k = nk_at(hive, key);
    const unsigned parent = k ? GetParentKey(static_cast<int>(key)) : 0;
    if (!k || !parent) return 0;
    if (name) return rdel_keys(hive, name, static_cast<int>(parent), 0);
    const std::string own = key_name_utf8(k);
    return rdel_keys(hive, own.empty() ? "?" : own.c_str(), static_cast<int>(parent), static_cast<int>(key) - 4);
}

unsigned CKRegstry::RenameKey(unsigned key, const char* name) {
    if (!hive) return 0;
    return static_cast<unsigned>(rename_key(hive, static_cast<int>(key), name));
}

unsigned CKRegstry::ReNameSubkey(unsigned key, const char* name, const char* newname) {
    if (!hive) return 0;
    const int cell = trav_path(hive, static_cast<int>(key), name ? name : "", LOOKUP_EXACT);
    if (!cell || !nk_at(hive, static_cast<int64_t>(cell) + 4)) {
        diag_puts("not a nk node.");
        return 0;
    }
    return static_cast<unsigned>(rename_key(hive, cell + 4, newname));
}

int CKRegstry::GetHiveFileName(char* dst, int size) const {
    return size > 0 && strcpy_s(dst, static_cast<unsigned>(size), fileName) == 0 ? 0 : -1;
}

int CKRegstry::GetBakHiveFileName(char* dst, int size) const {
    if (size <= 0 || strlen(fileName) + 5 > static_cast<size_t>(size)) return -1;
    strcpy_s(dst, static_cast<unsigned>(size), fileName);
    strcat_s(dst, static_cast<unsigned>(size), ".bhv");
    return 0;
}

const char* CKRegstry::GetInterValueName(const char* name) {
    return name && strcmp(name, "(default)") == 0 ? "" : name;
}

void CKRegstry::FreeValue(void* buffer) { free(buffer); }

int CKRegstry::DupNK(unsigned key) {
    if (!key || !hive) return 0;
    const nk_key* k = nk_at(hive, key);
    if (!k) {
        diag_puts("not a nk node.");
        return 0;
    }
    diag_printf("nk at offset:%08x\n", key);
    diag_printf("nk->ofs_parent offset:%08x\n", k->ofs_parent);
    diag_printf("valuelist offset:%08x\n", k->ofs_vallist);
    diag_printf("nk->keyname offset:%s\n", key_name_utf8(k).c_str());
    diag_printf("nk->classname offset:%08x\n", k->ofs_classnam);
    diag_printf("nk->dummy1  = %08x\n", k->dummy1);
    diag_printf("nk->dummy2  = %08x\n", k->dummy2);
    diag_printf("nk->dummy3   = %08x\n", k->dummy3);
    diag_printf("nk->dummy4(maxclasslen)  = %08x\n", k->dummy4);
    diag_printf("nk->dummy5(maxvalneamelen)  = %08x\n", k->dummy5);
    diag_printf("nk->dummy6(maxvaldatalen)  = %08x\n", k->dummy6);
    diag_printf("nk->dummy7(warkvar)  = %08x\n", k->dummy7);
    return 0;
}
