#!/usr/bin/env bash
# Scan benchmark: "rescuectl scan" against nimbixd, next to the hashing limit
# (find | xargs md5sum) and the peer a technician would pick (clamscan with a
# hash database of the same malicious digests), on two generated trees:
# 20,000 files of mixed sizes and 100,000 small files. Each tree is scanned
# with the lookups in flight together (rescuectl's worker) and one at a time
# (the first worker, --one-at-a-time), on loopback; the mixed tree also
# through a proxy that adds a round trip of 10 and 50 ms, as a service on the
# internet has (one at a time there on its first 1,000 files, which at 50 ms
# already take about a minute).
#
#   scan-bench.sh RESCUECTL NIMBIXD MAKE_TREE LATENCY_PROXY [WORKDIR]
#
# Normally run through "cmake --build --preset default --target bench_scan".
# The trees are written to WORKDIR (default: a new folder under /tmp) and
# removed at the end unless KEEP_TREES=1.
set -euo pipefail

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
  echo "usage: $0 RESCUECTL NIMBIXD MAKE_TREE LATENCY_PROXY [WORKDIR]" >&2
  exit 2
fi
rescuectl=$1 nimbixd=$2 make_tree=$3 latency_proxy=$4
work=${5:-$(mktemp -d /tmp/scan-bench.XXXXXX)}
mkdir -p "$work"
for tool in clamscan md5sum /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "scan-bench: $tool is missing (./scripts/install-deps)" >&2; exit 2; }
done

service_pid= proxy_pid=
cleanup() {
  [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null || true
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
  [ "${KEEP_TREES:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT

# Runs a command with its output kept in out.txt; sets secs and peak_kb.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >"$work/out.txt" 2>"$work/err.txt" || true
  # A failing command adds a line before the figures.
  read -r secs peak_kb < <(tail -n 1 "$work/time.txt")
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "-" }'; }
mbps() { awk -v n="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.1f", n / 1048576 / s; else print "-" }'; }

# Starts a program that prints "...: listening on 127.0.0.1:PORT" into FILE;
# sets started_pid and started_port.
start_listening() {
  local file=$1; shift
  "$@" >"$file" &
  started_pid=$!
  started_port=
  for _ in $(seq 100); do
    started_port=$(sed -n 's/^[a-z_]*: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$file")
    [ -n "$started_port" ] && return 0
    sleep 0.1
  done
  echo "scan-bench: $1 did not start" >&2
  exit 1
}

# rescuectl scan through the service at PORT; sets scan_s, scan_kb,
# scan_found and scan_saved.
scan() {
  local port=$1; shift
  NIMBIX_SERVER=127.0.0.1:$port measure "$rescuectl" scan "$@"
  scan_s=$secs scan_kb=$peak_kb
  scan_found=$(grep -c '^Threat found: ' "$work/out.txt" || true)
  scan_saved=$(sed -n 's/.*; \([0-9]*\) lookups saved by files alike\.$/\1/p' "$work/out.txt")
  if grep -q 'not checked' "$work/out.txt" && ! grep -q ' 0 not checked' "$work/out.txt"; then
    echo "   (warning: $(grep -o '[0-9]* not checked' "$work/out.txt") in this run)"
  fi
}

row() { printf '   %-34s %8s %10s %9s %10s %s\n' "$@"; }

bench_tree() {
  local name=$1 count=$2 mix=$3
  local tree="$work/$name" db="$work/$name.hdb"
  echo "== $name: $count files ($mix sizes)"
  "$make_tree" "$tree" "$count" "$mix" | sed 's/^/   generated: /'
  local bytes
  bytes=$(du -sb --apparent-size "$tree" | cut -f1)

  # Every 1000th file is "malicious": the same digests for nimbixd and clamscan.
  find "$tree" -type f | sort | awk 'NR % 1000 == 1' | while read -r f; do
    printf '%s:%s:Bench.Threat.%s\n' "$(md5sum <"$f" | cut -d' ' -f1)" "$(stat -c %s "$f")" "$(basename "$f")"
  done >"$db"
  local planted
  planted=$(wc -l <"$db")

  start_listening "$work/nimbixd.out" "$nimbixd" --listen 127.0.0.1:0 --hash-db "$db"
  service_pid=$started_pid
  local port=$started_port

  # Read everything once, so that every run finds the tree in the page cache.
  find "$tree" -type f -print0 | xargs -0 cat >/dev/null

  measure sh -c "find '$tree' -type f -print0 | xargs -0 md5sum"
  local md5_s=$secs

  scan "$port" "$tree"
  local together_s=$scan_s together_kb=$scan_kb together_found=$scan_found together_saved=$scan_saved
  scan "$port" --one-at-a-time "$tree"
  local single_s=$scan_s single_kb=$scan_kb single_found=$scan_found

  measure clamscan --no-summary --infected -r -d "$db" "$tree"
  local clam_s=$secs clam_kb=$peak_kb
  local clam_found
  clam_found=$(grep -c ' FOUND$' "$work/out.txt" || true)

  row "" "time s" "files/s" "MB/s" "peak MB" "threats"
  row "rescuectl scan + nimbixd" "$together_s" "$(rate "$count" "$together_s")" "$(mbps "$bytes" "$together_s")" \
    "$((together_kb / 1024))" "$together_found of $planted, $together_saved lookups saved"
  row "  the same, one at a time" "$single_s" "$(rate "$count" "$single_s")" "$(mbps "$bytes" "$single_s")" \
    "$((single_kb / 1024))" "$single_found of $planted"
  row "find | xargs md5sum" "$md5_s" "$(rate "$count" "$md5_s")" "$(mbps "$bytes" "$md5_s")" "-" "-"
  row "clamscan -d hashes.hdb" "$clam_s" "$(rate "$count" "$clam_s")" "$(mbps "$bytes" "$clam_s")" \
    "$((clam_kb / 1024))" "$clam_found of $planted"
  echo "   rescuectl / md5sum time:   $(ratio "$together_s" "$md5_s")"
  echo "   one at a time / together:  $(ratio "$single_s" "$together_s")"
  echo "   clamscan / rescuectl time: $(ratio "$clam_s" "$together_s")  (above 1: rescuectl is faster)"

  if [ "$name" = mixed-20k ]; then
    # The first 1,000 files, for the one-at-a-time worker at a distance.
    local first="$work/$name-first-1000"
    mkdir -p "$first"
    for d in "$tree"/d00/d0[0-9]; do cp -al "$d" "$first/"; done
    local first_count
    first_count=$(find "$first" -type f | wc -l)

    echo "   -- at a distance: files/s (peak MB), one at a time on the first $first_count files"
    printf '   %-10s %22s %22s %14s %10s %16s\n' "round trip" "together" "one at a time" "together/one" "md5sum" "together/md5sum"
    printf '   %-10s %22s %22s %14s %10s %16s\n' "0 ms" \
      "$(rate "$count" "$together_s") ($((together_kb / 1024)))" "$(rate "$count" "$single_s") ($((single_kb / 1024)))" \
      "$(ratio "$single_s" "$together_s")" "$(rate "$count" "$md5_s")" "$(ratio "$together_s" "$md5_s")x"
    local rtt
    for rtt in 10 50; do
      start_listening "$work/proxy.out" "$latency_proxy" "$port" "$((rtt / 2))"
      proxy_pid=$started_pid
      scan "$started_port" "$tree"
      local far_s=$scan_s far_kb=$scan_kb
      scan "$started_port" --one-at-a-time "$first"
      local near_rate
      near_rate=$(rate "$first_count" "$scan_s")
      kill "$proxy_pid"; wait "$proxy_pid" 2>/dev/null || true; proxy_pid=
      printf '   %-10s %22s %22s %14s %10s %16s\n' "$rtt ms" \
        "$(rate "$count" "$far_s") ($((far_kb / 1024)))" "$near_rate ($((scan_kb / 1024)))" \
        "$(awk -v a="$(rate "$count" "$far_s")" -v b="$near_rate" 'BEGIN { printf "%.1f", a / b }')" \
        "$(rate "$count" "$md5_s")" "$(ratio "$far_s" "$md5_s")x"
    done
  fi

  kill "$service_pid"; wait "$service_pid" 2>/dev/null || true; service_pid=
  rm -rf "$tree" "$work/$name-first-1000"
}

bench_tree mixed-20k 20000 mixed
bench_tree small-100k 100000 small
