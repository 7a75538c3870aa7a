#pragma once

// Where the library's diagnostic lines go. The hive engine, the hive objects
// and the repair rules report their steps and the trouble they meet in lines
// of text; by default those go to standard output, and the errors and
// warnings among them to standard error, just as printf writes them. A
// caller that needs its console for its own output, that cannot redirect
// file descriptors (a program with threads), or that keeps a log of its own
// gives a sink instead: each line then reaches it whole, without its line
// end, on the thread that wrote it.

#include "hivemend/export.h"

// Which kind of line a sink receives.
enum : int {
    HIVE_DIAG_OUT = 1,  // progress and information (standard output by default)
    HIVE_DIAG_ERR = 2,  // errors and warnings (standard error by default)
};

using HiveDiagnosticSink = void (*)(int stream, const char* line, void* context);

// Sends every line from now on to `sink`, with `context`; null sends them to
// standard output and standard error again. A line the calling thread had
// begun goes to the sink that was set before. Set the sink while no other
// thread uses the library; the sink itself may be called on any thread that
// does.
HIVEMEND_API void hive_diagnostics(HiveDiagnosticSink sink, void* context);
