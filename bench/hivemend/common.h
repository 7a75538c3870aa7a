#pragma once

// Helpers shared by the hive benchmarks.

#include <chrono>
#include <string>

// Seconds since an arbitrary start.
inline double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// While alive, the engine's progress output goes to /dev/null.
class MuteStdout {
public:
    MuteStdout();
    ~MuteStdout();
    MuteStdout(const MuteStdout&) = delete;
    MuteStdout& operator=(const MuteStdout&) = delete;

private:
    int saved_ = -1;
};

// Runs `work` in a child process; its wall time in seconds, -1 when it failed.
template <class F>
double in_child(F&& work);

// Runs a shell command, returns its wall time in seconds, -1 when it failed.
double time_command(const std::string& command);

// Path of a sample hive: argv[1] if given, else the unpacked build-tree sample.
std::string sample_path(int argc, char** argv, const char* name);

#include <sys/wait.h>
#include <unistd.h>

template <class F>
double in_child(F&& work) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const double t0 = now();
        const double t = work() ? now() - t0 : -1;
        _exit(write(fds[1], &t, sizeof t) == sizeof t ? 0 : 1);
    }
    close(fds[1]);
    double t = -1;
    if (read(fds[0], &t, sizeof t) != sizeof t) t = -1;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return t;
}
