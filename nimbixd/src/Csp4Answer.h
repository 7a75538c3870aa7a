#pragma once

#include "HashDatabase.h"

#include <string>

namespace nimbixd {

// A query holds at most this many digests; a frame of 64 KiB has room for
// about 1,200 real ones.
inline constexpr int kMaxCsp4HashValues = 1024;

// The answer frame to the container (type and body) of one CSP4 request
// frame: KEEP_ALIVE is echoed, a HashQuery of at most kMaxCsp4HashValues
// digests answered from the database, anything else gets a HashResponse
// with STATUS_ERROR.
std::string csp4_answer(const HashDatabase& database, int type, const std::string& body);

} // namespace nimbixd
