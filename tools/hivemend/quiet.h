#pragma once

// While alive, drops every line the hive library writes; does nothing when
// `on` is false.
class Quiet {
public:
    explicit Quiet(bool on);
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    bool on_;
};
