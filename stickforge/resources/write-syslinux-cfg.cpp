// write-syslinux-cfg FILE: the boot menu configuration, byte for byte as the
// stick gets it.
#include <cstdio>
#include <fstream>

#include "stickforge/syslinuxcfg.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const std::string cfg = stickforge::syslinuxConfig();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(cfg.data(), std::streamsize(cfg.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "write-syslinux-cfg: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
