#include "EngineOutput.h"

#include "hivemend/diagnostics.h"

#include <cstdio>

namespace {

void toStandardError(int stream, const char* line, void* verbose)
{
    if (stream == HIVE_DIAG_ERR || *static_cast<const bool*>(verbose))
        std::fprintf(stderr, "%s\n", line);
}

} // namespace

EngineOutput::EngineOutput(bool beVerbose)
    : verbose(beVerbose)
{
    hive_diagnostics(toStandardError, &verbose);
}

EngineOutput::~EngineOutput()
{
    hive_diagnostics(nullptr, nullptr);
}
