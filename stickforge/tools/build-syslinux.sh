#!/usr/bin/env bash
# build-syslinux.sh LOCK WORK OUT
#
# Builds, from Debian's SYSLINUX source package, the BIOS boot loader core and
# from the same build: the Windows installer (64-bit, as syslinux.exe), the
# menu module vesamenu.c32 with the two libraries it loads (libcom32.c32,
# libutil.c32), and the Linux installer that works on disk images through
# mtools (syslinux-mtools, for the boot test). Every file the installers embed
# (boot sector, ldlinux.sys, ldlinux.c32, MBR) comes from this one build.
#
# Only the parts the stick needs are built: the com32 modules other than the
# menu, the DOS and 32-bit Windows installers, memdisk and the documentation
# are left out.
#
# Environment: JOBS (parallel make jobs, default: the number of cores),
# CC_LAUNCHER (a compiler launcher such as ccache, optional).
set -euo pipefail

lock=$1 work=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
jobs=${JOBS:-$(nproc)}

"$here/fetch-source.sh" "$lock" syslinux "$work"
src=$work/syslinux
obj=$work/syslinux-obj

# The com32 tree builds every module; the stick needs only the menu and what it loads.
sed -i 's|^SUBDIRS = .*|SUBDIRS = tools lib libutil gpllib elflink/ldlinux menu|; /^\t  menu samples/d' \
    "$src/com32/Makefile"

# The build date that goes into the banner is the date of Debian's changelog
# entry, as Debian's own build takes it, so that a rebuild gives the same files.
epoch=$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)
date=$(TZ=UTC0 date -d "@$epoch" +%Y%m%d)
hexdate=$(printf '0x%08x' "$epoch")

launcher=${CC_LAUNCHER:+$CC_LAUNCHER }
rm -rf "$obj"
mkdir -p "$obj"
echo "build-syslinux: building SYSLINUX $(cat "$src/.pinned-version") (log: $obj/build.log)"
if ! make -C "$src" -j"$jobs" O="$obj" bios \
        BSUBDIRS="codepage com32 lzo core mbr libinstaller win64" ISUBDIRS="mtools" \
        DATE="$date" HEXDATE="$hexdate" PYTHON=python3 \
        CC="${launcher}gcc" \
        > "$obj/build.log" 2>&1; then
    tail -n 40 "$obj/build.log" >&2
    echo "build-syslinux: the build failed; see $obj/build.log" >&2
    exit 1
fi

bios=$obj/bios
mkdir -p "$out"
install -m 0644 "$bios/win64/syslinux64.exe"             "$out/syslinux.exe"
install -m 0644 "$bios/com32/menu/vesamenu.c32"          "$out/vesamenu.c32"
install -m 0644 "$bios/com32/lib/libcom32.c32"           "$out/libcom32.c32"
install -m 0644 "$bios/com32/libutil/libutil.c32"        "$out/libutil.c32"
install -m 0644 "$bios/com32/elflink/ldlinux/ldlinux.c32" "$out/ldlinux.c32"
install -m 0644 "$bios/mbr/mbr.bin"                      "$out/mbr.bin"
install -m 0755 "$bios/mtools/syslinux"                  "$out/syslinux-mtools"
cat "$src/.pinned-version" > "$out/syslinux.version"
echo "build-syslinux: done in $out"
