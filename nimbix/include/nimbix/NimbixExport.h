#pragma once

// Everything is built with hidden visibility; only what carries this mark is
// part of libNimbix.so.1's dynamic interface.
#define NIMBIX_EXPORT __attribute__((visibility("default")))
