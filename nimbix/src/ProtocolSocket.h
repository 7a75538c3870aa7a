#pragma once

#include "MessageContainer.pb.h"

#include <QTcpSocket>

#include <string>

namespace Cloud {

// Connection of the CSP4 binary protocol: frames of "CSP4", a 32-bit
// little-endian length and one MessageContainer.
class ProtocolSocket : public QTcpSocket {
    Q_OBJECT

public:
    explicit ProtocolSocket(QTcpSocket* parent = nullptr);
    ~ProtocolSocket() override;

    // Appends one frame holding a container of the given type to out; the
    // container carries no body when inner is empty.
    static void BuildPacket(MessageContainer_MessageType type, std::string inner, std::string* out);

    // Blocks until one frame has been read, waiting up to timeout ms for each
    // piece, and stores the container's type and body. Throws
    // std::runtime_error; the read position is then wherever the failure
    // left it.
    void RecvPacket(MessageContainer_MessageType* type, std::string* body, int timeout);

private slots:
    void on_disconnect_event();
};

} // namespace Cloud
