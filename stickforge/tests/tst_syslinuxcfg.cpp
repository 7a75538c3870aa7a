#include <gtest/gtest.h>

#include "stickforge/syslinuxcfg.h"

namespace {

std::string crlfJoined(std::initializer_list<const char *> lines)
{
    std::string out;
    bool first = true;
    for (const char *line : lines) {
        if (!first)
            out += "\r\n";
        first = false;
        out += line;
    }
    return out;
}

TEST(SyslinuxConfig, IsTheMenuByteForByte)
{
    const std::string expected = crlfJoined({
        "default vesamenu.c32",
        "prompt 0",
        "menu title Quillmark Rescue Disk",
        "menu background splash.png",
        "timeout 100",
        "MENU TABMSG Choose Language and Press Enter to Boot",
        "",
        "label Safe Graphics Mode",
        "menu label Safe Graphics Mode",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_SAFEG=yes",
        "",
        "label (en_US) English",
        "menu label (en_US) English",
        "menu default",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=en_US.UTF-8 vga=788",
        "",
        "label (en_CA) English",
        "menu label (en_CA) English",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=en_CA.UTF-8 vga=788",
        "",
        "label (en_GB) English",
        "menu label (en_GB) English",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=en_GB.UTF-8 vga=788",
        "",
        "label (de_DE) Deutsch",
        "menu label (de_DE) Deutsch",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=de_DE.UTF-8 vga=788",
        "",
        "label (fr_CA) French",
        "menu label (fr_CA) French",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=fr_CA.UTF-8 vga=788",
        "",
        "label (fr_CH) French",
        "menu label (fr_CH) French",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=fr_CH.UTF-8 vga=788",
        "",
        "label (fr_FR) French",
        "menu label (fr_FR) French",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=fr_FR.UTF-8 vga=788",
        "",
        "label (ru_RU) Russian",
        "menu label (ru_RU) Russian",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=ru_RU.UTF-8 vga=788",
        "",
        "label (zh_CN) Chinese",
        "menu label (zh_CN) Chinese",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=zh_CN.UTF-8 vga=788",
        "",
        "label (zh_TW) Chinese",
        "menu label (zh_TW) Chinese",
        "kernel /CDlinux/bzImage",
        "append initrd=/CDlinux/initrd quiet CDL_LANG=zh_TW.UTF-8 vga=788",
    });
    const std::string cfg = stickforge::syslinuxConfig();
    EXPECT_EQ(cfg, expected);
    // No bare line feed anywhere, and no line end after the last line.
    for (size_t i = 0; i < cfg.size(); ++i) {
        if (cfg[i] == '\n') {
            ASSERT_TRUE(i > 0 && cfg[i - 1] == '\r') << "bare LF at byte " << i;
        }
    }
    EXPECT_NE(cfg.back(), '\n');
}


} // namespace
