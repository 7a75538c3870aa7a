#pragma once

#include <cstdint>
#include <sys/types.h>

// The resident memory of a process (VmRSS in /proc), in bytes; 0 when it
// cannot be read.
std::uint64_t resident_bytes(pid_t pid);
