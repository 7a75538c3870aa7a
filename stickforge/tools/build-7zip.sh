#!/usr/bin/env bash
# build-7zip.sh LOCK WORK OUT
#
# Builds 7-Zip's command-line program 7z.exe and the library 7z.dll it loads
# from its own folder (every archive format 7-Zip reads, among them ISO 9660
# and UDF) for 64-bit Windows with mingw-w64, from Debian's 7zip source
# package, with 7-Zip's own makefiles. As in Debian's build, the RAR code is
# left out.
#
# Environment: JOBS (parallel make jobs, default: the number of cores),
# CC_LAUNCHER (a compiler launcher such as ccache, optional).
set -euo pipefail

lock=$1 work=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
jobs=${JOBS:-$(nproc)}

"$here/fetch-source.sh" "$lock" 7zip "$work"
src=$work/7zip
log=$work/7zip-build.log

cross=x86_64-w64-mingw32-
launcher=${CC_LAUNCHER:+$CC_LAUNCHER }
make_args=(
    -j"$jobs" -f ../../cmpl_gcc.mak
    IS_MINGW=1 IS_X64=1 DISABLE_RAR=1 O=mingw64 MY_MKDIR="mkdir -p"
    CC="${launcher}${cross}gcc" CXX="${launcher}${cross}g++"
    RC="${cross}windres"
)

echo "build-7zip: building 7-Zip $(cat "$src/.pinned-version") (log: $log)"
: > "$log"
for dir in Bundles/Format7zF UI/Console; do
    if ! make -C "$src/CPP/7zip/$dir" "${make_args[@]}" >> "$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "build-7zip: the build of $dir failed; see $log" >&2
        exit 1
    fi
done

mkdir -p "$out"
install -m 0644 "$src/CPP/7zip/Bundles/Format7zF/mingw64/7z.dll" "$out/7z.dll"
install -m 0644 "$src/CPP/7zip/UI/Console/mingw64/7z.exe"        "$out/7z.exe"
cat "$src/.pinned-version" > "$out/7zip.version"
echo "build-7zip: done in $out"
