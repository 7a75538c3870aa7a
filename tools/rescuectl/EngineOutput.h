#pragma once

// The hive library reports every step in lines of its own. While an
// EngineOutput lives, those lines are kept off standard output, which holds
// the command's own lines: its progress lines are dropped (or, verbose, go
// to standard error), its errors and warnings go to standard error.
class EngineOutput {
public:
    explicit EngineOutput(bool verbose);
    ~EngineOutput();
    EngineOutput(const EngineOutput&) = delete;
    EngineOutput& operator=(const EngineOutput&) = delete;

private:
    bool verbose;
};
