#pragma once

// Shared helpers of the repair rule tests: a clean Windows installation in a
// scratch folder, rule files, and the values of its hive files as our
// engine and as hivexsh read them.

#include <map>
#include <optional>
#include <string>

#include "support.h"
#include "winfixture.h"

namespace rulestest {

// A clean installation built by the fixture builder, removed with its folder.
class Installation {
public:
    explicit Installation(const winfixture::Options& options = {});
    const winfixture::Installation& win() const { return win_; }
    const std::string& root() const { return win_.root; }
    // Writes `json` as a rule database beside the installation; its path.
    std::string rules(const std::string& json, const std::string& name = "registry.json") const;
    // Every hive file the backups cover, by path, with its bytes now.
    std::map<std::string, std::string> hive_files() const;

private:
    hivetest::ScratchDir dir_;
    winfixture::Installation win_;
};

struct Stored {
    int type = 0;
    std::string data;
    bool operator==(const Stored&) const = default;
};

// The value `name` ("" the default value) of `key` in the hive file as it
// is on disk now; nothing when the key or the value is missing.
std::optional<Stored> stored(const std::string& hive, const std::string& key, const std::string& name);
bool key_exists(const std::string& hive, const std::string& key);

// What hivexsh prints for the value ("lsval"), without the line end;
// "hivexsh: ..." with its message when it cannot show it.
std::string hivexsh_value(const std::string& hive, const std::string& key, const std::string& name);

}  // namespace rulestest
