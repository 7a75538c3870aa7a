// CSP4 frames as RecvPacket reads them, from a device that hands the bytes
// over in pieces, one piece per wait, as a socket would.
#include "FrameReader.h"

#include <QIODevice>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace {

class PiecewiseDevice : public QIODevice {
public:
    PiecewiseDevice(const char* data, std::size_t size)
        : data_(data)
        , size_(size)
    {
        // The first byte sets the piece size, so the fuzzer explores splits.
        if (size_ > 0) {
            piece_ = static_cast<unsigned char>(data_[0]) + 1u;
            ++data_;
            --size_;
        }
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        arrive();
    }

    qint64 bytesAvailable() const override { return static_cast<qint64>(available_ - read_); }
    bool waitForReadyRead(int) override { return arrive(); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(max), available_ - read_);
        std::copy(data_ + read_, data_ + read_ + n, out);
        read_ += n;
        return static_cast<qint64>(n);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    bool arrive()
    {
        if (available_ == size_)
            return false;
        available_ = std::min(size_, available_ + piece_);
        return true;
    }

    const char* data_;
    std::size_t size_;
    std::size_t piece_ = 1;
    std::size_t available_ = 0;
    std::size_t read_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PiecewiseDevice device(reinterpret_cast<const char*>(data), size);
    try {
        for (;;) {
            MessageContainer_MessageType type{};
            std::string body;
            Cloud::read_frame(device, 0, &type, &body);
            if (body.size() > Cloud::kMaxFrameLength || !MessageContainer_MessageType_IsValid(type))
                std::abort();
        }
    } catch (const std::runtime_error&) {
        // Every stream ends in a time-out or a rejected frame.
    }
    return 0;
}
