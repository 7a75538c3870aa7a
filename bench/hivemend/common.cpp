#include "common.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

MuteStdout::MuteStdout() {
    fflush(stdout);
    saved_ = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
}

MuteStdout::~MuteStdout() {
    fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
}

double time_command(const std::string& command) {
    const double t0 = now();
    const int rc = std::system(command.c_str());
    return rc == 0 ? now() - t0 : -1;
}

std::string sample_path(int argc, char** argv, const char* name) {
    if (argc > 1) return argv[1];
    return std::string(HIVE_SAMPLES_DIR) + "/" + name;
}
