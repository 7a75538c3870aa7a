#pragma once

#include <stdexcept>
#include <string>

namespace nimbixd {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Uploaded samples, one file a sample in one folder, named by the MD5 digest
// of its content. Safe for concurrent uploads: the first copy of a content
// wins, and no reader ever sees a partly written sample.
class SampleStore {
public:
    // Throws StoreError unless folder is a folder this process can write to.
    explicit SampleStore(std::string folder);

    struct Result {
        std::string key;  // MD5 digest of the content, lowercase hex
        bool stored;      // false: that content was stored before
    };
    // Throws StoreError when the folder cannot take the file.
    Result store(const std::string& content) const;

private:
    std::string folder_;
};

// MD5 digest of data as 32 lowercase hexadecimal digits.
std::string md5_hex(const std::string& data);

} // namespace nimbixd
