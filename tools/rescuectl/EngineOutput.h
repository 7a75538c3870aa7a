#pragma once

#include <cstdio>

// The hive engine reports every step with printf on standard output. While
// an EngineOutput lives, those lines go to /dev/null (or, verbose, to
// standard error) and the command's own lines go to out(), the real
// standard output.
class EngineOutput {
public:
    explicit EngineOutput(bool verbose);
    ~EngineOutput();
    EngineOutput(const EngineOutput&) = delete;
    EngineOutput& operator=(const EngineOutput&) = delete;

    std::FILE* out() const { return stream; }

private:
    int savedOut = -1;
    std::FILE* stream = stdout;
};
