#!/usr/bin/env bash
# fetch-source.sh LOCK PACKAGE DEST
#
# Unpacks the Debian source package PACKAGE into DEST/PACKAGE, Debian's patches
# applied, at the first version pinned in LOCK that the archive still offers.
# Every file of the source package must match its pinned SHA-256.
#
# The machine's apt configuration is left as it is: the deb-src entries are
# derived from its own deb entries (same mirrors, suites, components and keys)
# into a private apt state under DEST/.apt. Downloads are kept in
# DEST/downloads, so a second run needs no network.
set -euo pipefail

lock=$1 pkg=$2 dest=$3
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
apt_dir=$dest/.apt
downloads=$dest/downloads

die() { echo "fetch-source: $*" >&2; exit 1; }

# Lines "package version file sha256" of the lock file for one package.
pins() { awk -v p="$pkg" '$1 == p && NF == 4' "$lock"; }
versions=$(pins | awk '!seen[$2]++ { print $2 }')
[ -n "$versions" ] || die "no pinned version of $pkg in $lock"

# verify VERSION: every pinned file of VERSION is in downloads/ with its checksum.
verify() {
    local ok=0 name version file sum
    while read -r name version file sum; do
        [ "$version" = "$1" ] || continue
        if [ ! -f "$downloads/$file" ]; then return 1; fi
        if ! echo "$sum  $downloads/$file" | sha256sum --quiet -c - >/dev/null 2>&1; then
            die "$file does not match its pinned SHA-256 ($sum): refusing to build from it"
        fi
        ok=1
    done < <(pins)
    [ "$ok" -eq 1 ]
}

apt_opts=()
apt_ready=0
setup_apt() {
    [ "$apt_ready" -eq 1 ] && return
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    : > "$apt_dir/sources.list"
    local f
    # deb822 files: each stanza whose Types include "deb" becomes a deb-src stanza.
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; ORS = "" }
             { n = split($0, line, "\n"); out = ""; deb = 0
               for (i = 1; i <= n; i++) {
                   if (line[i] ~ /^Types:/) {
                       if (line[i] ~ /[ \t]deb([ \t]|$)/) deb = 1
                       line[i] = "Types: deb-src"
                   }
                   out = out line[i] "\n"
               }
               if (deb) print out "\n" }' "$f" > "$apt_dir/parts/$(basename "$f")"
    done
    # One-line files: "deb ..." becomes "deb-src ...".
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >> "$apt_dir/sources.list"
    done
    apt_opts=(
        -o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o "Dir::Etc::SourceParts=$apt_dir/parts"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache=$apt_dir/cache"
        -o "APT::Sandbox::User=$(id -un)"
    )
    echo "fetch-source: reading the archive's source indexes"
    apt-get "${apt_opts[@]}" -qq update || die "apt-get update failed for the deb-src entries"
    apt_ready=1
}

chosen=
for v in $versions; do
    if verify "$v"; then chosen=$v; break; fi
    setup_apt
    mkdir -p "$downloads"
    echo "fetch-source: downloading $pkg $v"
    if (cd "$downloads" && apt-get "${apt_opts[@]}" -qq source --download-only "$pkg=$v" >/dev/null); then
        verify "$v" || die "$pkg $v downloaded, but not every pinned file came with it"
        chosen=$v
        break
    fi
    echo "fetch-source: $pkg $v is not offered by the archive" >&2
done
[ -n "$chosen" ] || die "none of the pinned versions of $pkg is offered any more; pin the current one in $lock"

dsc=$(pins | awk -v v="$chosen" '$2 == v && $3 ~ /\.dsc$/ { print $3 }')
rm -rf "$dest/$pkg" "$dest/$pkg.unpack"
# dpkg-source checks the files against the .dsc; it cannot check Debian's
# signature without the developers' keyring, which the pinned checksums stand for.
if ! (cd "$downloads" && dpkg-source -x "$dsc" "$dest/$pkg.unpack") > "$dest/$pkg.unpack.log" 2>&1; then
    cat "$dest/$pkg.unpack.log" >&2
    die "dpkg-source could not unpack $dsc"
fi
rm -f "$dest/$pkg.unpack.log"
mv "$dest/$pkg.unpack" "$dest/$pkg"
echo "$chosen" > "$dest/$pkg/.pinned-version"
echo "fetch-source: $pkg $chosen unpacked in $dest/$pkg"
