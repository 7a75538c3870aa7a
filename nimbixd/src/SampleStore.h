#pragma once

#include "Options.h"

#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace nimbixd {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Uploaded samples, one file a sample in one folder, named by the MD5 digest
// of its content; a different content with a digest already stored (an MD5
// collision) is kept beside it as DIGEST.1, DIGEST.2 and so on, so that no
// upload keeps another out. The folder holds at most the quota; an upload
// reserves its room before its body is read. Samples arrive in temporary
// files, hashed as they grow, and are linked into place whole, so no reader
// ever sees a partly written sample. Thread-safe.
class SampleStore {
public:
    // Throws StoreError unless folder is a folder this process can write to.
    // Counts what the folder holds against the quota and removes temporary
    // files that an interrupted run left.
    SampleStore(std::string folder, SampleQuota quota);
    SampleStore(const SampleStore&) = delete;
    SampleStore& operator=(const SampleStore&) = delete;

    // Room for one sample of at most `bytes`, held until the sample is stored
    // or given up.
    class Reservation {
    public:
        Reservation() = default;
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&& other) noexcept;
        ~Reservation();
        explicit operator bool() const { return store_ != nullptr; }

    private:
        friend class SampleStore;
        Reservation(SampleStore* store, std::uint64_t bytes);
        SampleStore* store_ = nullptr;
        std::uint64_t bytes_ = 0;
    };

    // An empty reservation when the quota has no room for another sample of
    // that size, counting the uploads under way.
    Reservation reserve(std::uint64_t bytes);

    // A sample as it arrives: a temporary file in the folder, hashed on the
    // way. Removed unless stored.
    class Incoming {
    public:
        Incoming(Incoming&& other) noexcept;
        Incoming& operator=(Incoming&&) = delete;
        ~Incoming();
        // Throws StoreError.
        void write(std::string_view bytes);
        std::uint64_t size() const { return size_; }

    private:
        friend class SampleStore;
        explicit Incoming(const std::string& folder);
        int fd_ = -1;
        std::string path_;
        evp_md_ctx_st* md5_ = nullptr;
        std::uint64_t size_ = 0;
    };

    // Throws StoreError.
    Incoming begin() const;

    struct Result {
        std::string key;  // the sample's file name: its digest, DIGEST.N for a collision
        bool stored;      // false: the same content was stored before
    };
    // Flushes the sample to disk and links it into place. Throws StoreError,
    // also when the digest already names kMaxVariants different contents.
    Result store(Incoming incoming, Reservation reservation);

    static constexpr int kMaxVariants = 16;

    std::string folder() const { return folder_; }

private:
    void release(std::uint64_t bytes);

    const std::string folder_;
    const SampleQuota quota_;
    std::mutex mutex_;
    std::uint64_t stored_bytes_ = 0;
    std::uint64_t stored_count_ = 0;
    std::uint64_t reserved_bytes_ = 0;
    std::uint64_t reserved_count_ = 0;
};

} // namespace nimbixd
