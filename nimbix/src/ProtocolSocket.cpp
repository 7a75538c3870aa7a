#include "ProtocolSocket.h"

#include "FrameReader.h"

#include <QDebug>

#include <cstdint>
#include <utility>

namespace Cloud {

ProtocolSocket::ProtocolSocket(QTcpSocket* parent)
    : QTcpSocket(parent)
{
    connect(this, &QAbstractSocket::disconnected, this, &ProtocolSocket::on_disconnect_event);
}

ProtocolSocket::~ProtocolSocket()
{
    // The base class closes a connected socket and signals disconnected()
    // after this part of the object is gone; the slot must not run then.
    disconnect(this, &QAbstractSocket::disconnected, this, &ProtocolSocket::on_disconnect_event);
}

void ProtocolSocket::BuildPacket(MessageContainer_MessageType type, std::string inner,
                                 std::string* out)
{
    MessageContainer container;
    container.set_version(1);
    container.set_type_id(type);
    if (!inner.empty())
        container.set_body(std::move(inner));

    const std::string serialized = container.SerializeAsString();
    const auto size = static_cast<std::uint32_t>(serialized.size());
    const char header[8] = {'C', 'S', 'P', '4',
                            static_cast<char>(size & 0xff),
                            static_cast<char>((size >> 8) & 0xff),
                            static_cast<char>((size >> 16) & 0xff),
                            static_cast<char>((size >> 24) & 0xff)};
    out->append(header, sizeof header);
    out->append(serialized);
}

void ProtocolSocket::RecvPacket(MessageContainer_MessageType* type, std::string* body, int timeout)
{
    read_frame(*this, timeout, type, body);
}

void ProtocolSocket::on_disconnect_event()
{
    qDebug() << "on disconnect";
}

} // namespace Cloud
