#include "EngineOutput.h"

#include <fcntl.h>
#include <unistd.h>

EngineOutput::EngineOutput(bool verbose)
{
    std::fflush(stdout);
    savedOut = dup(STDOUT_FILENO);
    const int ours = savedOut >= 0 ? dup(savedOut) : -1;
    std::FILE* own = ours >= 0 ? fdopen(ours, "w") : nullptr;
    const int sink = verbose ? dup(STDERR_FILENO) : open("/dev/null", O_WRONLY);
    if (!own || sink < 0) {
        // Without a place of our own everything stays on standard output.
        if (own)
            std::fclose(own);
        else if (ours >= 0)
            close(ours);
        if (sink >= 0)
            close(sink);
        if (savedOut >= 0)
            close(savedOut);
        savedOut = -1;
        return;
    }
    stream = own;
    dup2(sink, STDOUT_FILENO);
    close(sink);
}

EngineOutput::~EngineOutput()
{
    if (savedOut < 0)
        return;
    std::fflush(stdout);
    std::fclose(stream);
    dup2(savedOut, STDOUT_FILENO);
    close(savedOut);
}
