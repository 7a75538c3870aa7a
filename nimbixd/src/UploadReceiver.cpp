#include "UploadReceiver.h"

#include <utility>

namespace nimbixd {

namespace {

// Longer than any number the field can usefully hold.
constexpr std::size_t kMaxFieldText = 20;

} // namespace

UploadReceiver::UploadReceiver(SampleStore& store, std::string boundary, SampleStore::Reservation reservation)
    : store_(store)
    , reservation_(std::move(reservation))
    , form_(std::move(boundary))
{
}

void UploadReceiver::feed(std::string_view bytes)
{
    if (state() == State::Reading)
        form_.feed(bytes, *this);
}

UploadReceiver::State UploadReceiver::state() const
{
    if (too_large_)
        return State::TooLarge;
    return form_.failed() ? State::Malformed : State::Reading;
}

void UploadReceiver::part(std::string_view name)
{
    // A part's content is whole when the next part begins. Only the first
    // sample field counts.
    if (field_ == Field::MaxFileSize && !sample_seen_) {
        const std::string& text = max_file_size_;
        if (!text.empty() && text.size() < kMaxFieldText && text.find_first_not_of("0123456789") == std::string::npos)
            limit_ = std::min<std::uint64_t>(limit_, std::stoull(text));
    }
    if (name == "userdata_upload" && !sample_seen_) {
        sample_seen_ = true;
        sample_.emplace(store_.begin());
        field_ = Field::Sample;
    } else if (name == "MAX_FILE_SIZE" && !sample_seen_) {
        max_file_size_.clear();
        field_ = Field::MaxFileSize;
    } else {
        field_ = sample_seen_ ? Field::Done : Field::Other;
    }
}

void UploadReceiver::data(std::string_view bytes)
{
    switch (field_) {
    case Field::MaxFileSize:
        if (max_file_size_.size() < kMaxFieldText)
            max_file_size_.append(bytes.substr(0, kMaxFieldText - max_file_size_.size()));
        break;
    case Field::Sample:
        if (too_large_)
            break;
        if (sample_->size() + bytes.size() > limit_) {
            too_large_ = true;
            break;
        }
        sample_->write(bytes);
        break;
    case Field::Other:
    case Field::Done:
        break;
    }
}

std::optional<SampleStore::Result> UploadReceiver::finish()
{
    if (!form_.complete() || too_large_ || !sample_)
        return std::nullopt;
    return store_.store(std::move(*sample_), std::move(reservation_));
}

} // namespace nimbixd
