#include "stickforge/syslinuxcfg.h"

#include <array>

namespace stickforge {
namespace {

struct MenuEntry {
    const char *label;
    const char *options; // after "quiet"
    bool isDefault;
};

constexpr std::array<MenuEntry, 11> kEntries{{
    {"Safe Graphics Mode", "CDL_SAFEG=yes", false},
    {"(en_US) English", "CDL_LANG=en_US.UTF-8 vga=788", true},
    {"(en_CA) English", "CDL_LANG=en_CA.UTF-8 vga=788", false},
    {"(en_GB) English", "CDL_LANG=en_GB.UTF-8 vga=788", false},
    {"(de_DE) Deutsch", "CDL_LANG=de_DE.UTF-8 vga=788", false},
    {"(fr_CA) French", "CDL_LANG=fr_CA.UTF-8 vga=788", false},
    {"(fr_CH) French", "CDL_LANG=fr_CH.UTF-8 vga=788", false},
    {"(fr_FR) French", "CDL_LANG=fr_FR.UTF-8 vga=788", false},
    {"(ru_RU) Russian", "CDL_LANG=ru_RU.UTF-8 vga=788", false},
    {"(zh_CN) Chinese", "CDL_LANG=zh_CN.UTF-8 vga=788", false},
    {"(zh_TW) Chinese", "CDL_LANG=zh_TW.UTF-8 vga=788", false},
}};

} // namespace

std::string syslinuxConfig()
{
    std::string cfg = "default vesamenu.c32\r\n"
                      "prompt 0\r\n"
                      "menu title Quillmark Rescue Disk\r\n"
                      "menu background splash.png\r\n"
                      "timeout 100\r\n"
                      "MENU TABMSG Choose Language and Press Enter to Boot";
    for (const MenuEntry &entry : kEntries) {
        cfg += "\r\n\r\nlabel ";
        cfg += entry.label;
        cfg += "\r\nmenu label ";
        cfg += entry.label;
        if (entry.isDefault)
            cfg += "\r\nmenu default";
        cfg += "\r\nkernel /CDlinux/bzImage\r\nappend initrd=/CDlinux/initrd quiet ";
        cfg += entry.options;
    }
    return cfg;
}

} // namespace stickforge
