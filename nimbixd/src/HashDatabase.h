#pragma once

#include "Verdict.h"

#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace nimbixd {

// A database file that cannot be used; the message names file and line.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Verdicts by MD5 digest, from ClamAV hash signature files
// ("md5:size:name[:minfl]" a line) and from lists of digests still queued for
// analysis. Read-only once loaded, so any number of threads may look up.
class HashDatabase {
public:
    // Adds every signature of a ClamAV .hdb file. An earlier signature of the
    // same digest wins. Throws DatabaseError.
    void load_signatures(const std::string& path);

    // Marks digests as queued: one MD5 a line, or .hdb lines of which only
    // the digest counts. Throws DatabaseError.
    void load_queue(const std::string& path);

    // digest: 32 lowercase hexadecimal digits.
    Verdict lookup(const std::string& digest) const;

    std::size_t signature_count() const { return signatures_.size(); }

private:
    struct Signature {
        std::string name;
        int id;
    };
    std::unordered_map<std::string, Signature> signatures_;
    std::unordered_set<std::string> queued_;
    int next_id_ = 1;
};

} // namespace nimbixd
