#pragma once

// Only what carries this mark leaves libHivemend.so.1; everything else is
// hidden by the project-wide visibility preset.
#if defined(HIVEMEND_BUILDING)
#define HIVEMEND_API __attribute__((visibility("default")))
#else
#define HIVEMEND_API
#endif
