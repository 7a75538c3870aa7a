#include "quiet.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

Quiet::Quiet(bool on) {
    if (!on) return;
    fflush(stdout);
    fflush(stderr);
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0) return;
    saved_out_ = dup(1);
    saved_err_ = dup(2);
    dup2(null, 1);
    dup2(null, 2);
    close(null);
}

Quiet::~Quiet() {
    fflush(stdout);
    fflush(stderr);
    if (saved_out_ >= 0) {
        dup2(saved_out_, 1);
        close(saved_out_);
    }
    if (saved_err_ >= 0) {
        dup2(saved_err_, 2);
        close(saved_err_);
    }
}
