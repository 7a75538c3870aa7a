#pragma once

#include "MessageContainer.pb.h"

#include <QIODevice>

#include <cstdint>
#include <string>

namespace Cloud {

// Largest container a CSP4 frame may announce. A peer's length field is
// untrusted: without a cap it decides how much we allocate.
inline constexpr std::uint32_t kMaxFrameLength = 16u * 1024u * 1024u;

// Reads one CSP4 frame ("CSP4", 32-bit little-endian length, container) from
// device, waiting up to timeout_ms for each piece that has not arrived yet,
// and stores the container's type and body. Throws std::runtime_error.
void read_frame(QIODevice& device, int timeout_ms, MessageContainer_MessageType* type,
                std::string* body);

} // namespace Cloud
