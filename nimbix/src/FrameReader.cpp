#include "FrameReader.h"

#include <stdexcept>

namespace Cloud {

namespace {

constexpr qint64 kHeaderSize = 8;

void wait_for(QIODevice& device, qint64 needed, int timeout_ms)
{
    while (device.bytesAvailable() < needed) {
        if (!device.waitForReadyRead(timeout_ms))
            throw std::runtime_error("recv timeout");
    }
}

std::uint32_t little_endian32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8
        | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

void read_frame(QIODevice& device, int timeout_ms, MessageContainer_MessageType* type,
                std::string* body)
{
    // A frame that arrived together with the previous one is already
    // buffered; waiting for more data first would report a time-out.
    wait_for(device, kHeaderSize, timeout_ms);

    unsigned char header[kHeaderSize];
    if (device.read(reinterpret_cast<char*>(header), kHeaderSize) != kHeaderSize)
        throw std::runtime_error("read packet header failed");
    if (header[0] != 'C' || header[1] != 'S' || header[2] != 'P' || header[3] != '4')
        throw std::runtime_error("invalid protocol");

    const std::uint32_t length = little_endian32(header + 4);
    if (length > kMaxFrameLength)
        throw std::runtime_error("frame length " + std::to_string(length)
                                 + " exceeds the limit of " + std::to_string(kMaxFrameLength)
                                 + " bytes");

    wait_for(device, length, timeout_ms);

    std::string buffer(length, '\0');
    if (length > 0 && device.read(buffer.data(), length) != static_cast<qint64>(length))
        throw std::runtime_error("read packet failed");

    MessageContainer container;
    if (!container.ParsePartialFromString(buffer) || container.version() != 1)
        throw std::runtime_error("unknown protocol version");
    if (!container.has_type_id())
        throw std::runtime_error("invalid packet: container without type");
    *type = container.type_id();
    *body = container.body();
}

} // namespace Cloud
