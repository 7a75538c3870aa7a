#pragma once

// While alive, sends what the engine prints to standard output and standard
// error to /dev/null; does nothing when `on` is false.
class Quiet {
public:
    explicit Quiet(bool on);
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int saved_out_ = -1;
    int saved_err_ = -1;
};
