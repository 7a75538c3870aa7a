#pragma once

#include "MultipartStream.h"
#include "SampleStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbixd {

// One sample upload as its form arrives: the field userdata_upload goes
// straight into the sample store's temporary file, hashed on the way; the
// field MAX_FILE_SIZE, when it comes before it, lowers the size allowed, as
// browsers and PHP have it. Nothing of the sample is held in memory.
class UploadReceiver : private MultipartStream::Sink {
public:
    static constexpr std::uint64_t kMaxSampleBytes = 10485760;

    UploadReceiver(SampleStore& store, std::string boundary, SampleStore::Reservation reservation);

    // Takes the next piece of the body. Throws StoreError.
    void feed(std::string_view bytes);

    enum class State { Reading, TooLarge, Malformed };
    // TooLarge as soon as the sample passes its limit; Malformed once the
    // form is broken. Either ends the upload.
    State state() const;
    std::uint64_t limit() const { return limit_; }

    // After the whole body: the stored sample, or nothing when the form held
    // no complete userdata_upload field. Throws StoreError.
    std::optional<SampleStore::Result> finish();

private:
    void part(std::string_view name) override;
    void data(std::string_view bytes) override;

    enum class Field { Other, MaxFileSize, Sample, Done };

    SampleStore& store_;
    SampleStore::Reservation reservation_;
    MultipartStream form_;
    std::optional<SampleStore::Incoming> sample_;
    Field field_ = Field::Other;
    bool sample_seen_ = false;
    std::string max_file_size_;
    std::uint64_t limit_ = kMaxSampleBytes;
    bool too_large_ = false;
};

} // namespace nimbixd
