#include "rules_support.h"

#include <memory>

#include "hivemend/CKRegstry.h"
#include "hivemend/lookup.h"

namespace rulestest {

Installation::Installation(const winfixture::Options& options) : win_(winfixture::build(dir_.file("C"), options)) {}

std::string Installation::rules(const std::string& json, const std::string& name) const {
    const std::string path = dir_.file(name);
    hivetest::write_file(path, json);
    return path;
}

std::map<std::string, std::string> Installation::hive_files() const {
    std::map<std::string, std::string> files;
    for (const char* h : {"SOFTWARE", "SYSTEM", "SAM", "SECURITY", "DEFAULT"}) files[win_.hive(h)] = "";
    if (!win_.localService().empty()) files[win_.localService()] = "";
    for (const std::string& user : win_.options.users) files[win_.userHive(user)] = "";
    for (auto& [path, bytes] : files) bytes = hivetest::read_file(path);
    return files;
}

std::optional<Stored> stored(const std::string& hive, const std::string& key, const std::string& name) {
    CKRegstry r;
    r.OpenFileHive(hive.c_str());
    const unsigned k = r.GetOffset(key.c_str(), 0);
    int type = 0;
    void* buf = nullptr;
    const int n = k ? r.ReadValue(k, name.c_str(), &type, &buf) : -1;
    std::optional<Stored> value;
    if (n >= 0) {
        const auto* data = vb_data(static_cast<const ValueBuffer*>(buf));
        value = Stored{type, std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(n))};
    }
    CKRegstry::FreeValue(buf);
    r.CloseHive();
    return value;
}

bool key_exists(const std::string& hive, const std::string& key) {
    CKRegstry r;
    r.OpenFileHive(hive.c_str());
    const bool found = r.GetOffset(key.c_str(), 0) != 0;
    r.CloseHive();
    return found;
}

std::string hivexsh_value(const std::string& hive, const std::string& key, const std::string& name) {
    hivetest::ScratchDir dir;
    const std::string script = dir.file("script");
    hivetest::write_file(script, "cd \\" + key + "\nlsval " + (name.empty() ? "@" : name) + "\n");
    int status = 0;
    std::string out = hivetest::run("hivexsh -f '" + script + "' '" + hive + "' 2>&1", &status);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace rulestest
