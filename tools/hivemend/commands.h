#pragma once

// The subcommands of the hivemend tool. Each takes the arguments after its
// name and returns the exit status: 0 success, 1 failure, 2 bad usage.

#include <string>
#include <vector>

struct Options {
    bool quiet = false;  // silence the engine's own output
};

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args& args, const Options& opts);
};

int cmd_ls(const Args& args, const Options& opts);
int cmd_check(const Args& args, const Options& opts);
int cmd_export(const Args& args, const Options& opts);
int cmd_import(const Args& args, const Options& opts);
int cmd_recover(const Args& args, const Options& opts);

// Prints "hivemend: <reason>" on standard error and returns `status`.
int fail(int status, const std::string& reason);
