#!/usr/bin/env bash
# Scan benchmark: "rescuectl scan" against nimbixd on loopback, next to the
# hashing limit (find | xargs md5sum) and the peer a technician would pick
# (clamscan with a hash database of the same malicious digests), on two
# generated trees: 20,000 files of mixed sizes and 100,000 small files.
#
#   scan-bench.sh RESCUECTL NIMBIXD MAKE_TREE [WORKDIR]
#
# Normally run through "cmake --build --preset default --target bench_scan".
# The trees are written to WORKDIR (default: a new folder under /tmp) and
# removed at the end unless KEEP_TREES=1.
set -euo pipefail

if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 RESCUECTL NIMBIXD MAKE_TREE [WORKDIR]" >&2
  exit 2
fi
rescuectl=$1 nimbixd=$2 make_tree=$3
work=${4:-$(mktemp -d /tmp/scan-bench.XXXXXX)}
mkdir -p "$work"
for tool in clamscan md5sum /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "scan-bench: $tool is missing (./scripts/install-deps)" >&2; exit 2; }
done

service_pid=
cleanup() {
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
  [ "${KEEP_TREES:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT

# Runs a command with its output thrown away; sets secs and peak_kb.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time.txt" "$@" >"$work/out.txt" 2>"$work/err.txt" || true
  # A failing command adds a line before the figures.
  read -r secs peak_kb < <(tail -n 1 "$work/time.txt")
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "-" }'; }
mbps() { awk -v n="$1" -v s="$2" 'BEGIN { if (s > 0) printf "%.1f", n / 1048576 / s; else print "-" }'; }

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

  "$nimbixd" --listen 127.0.0.1:0 --hash-db "$db" >"$work/nimbixd.out" &
  service_pid=$!
  local port=
  for _ in $(seq 100); do
    port=$(sed -n 's/^nimbixd: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/nimbixd.out")
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "scan-bench: nimbixd did not start" >&2; exit 1; }

  # Read everything once, so that every run finds the tree in the page cache.
  find "$tree" -type f -print0 | xargs -0 cat >/dev/null

  measure sh -c "find '$tree' -type f -print0 | xargs -0 md5sum"
  local md5_s=$secs

  NIMBIX_SERVER=127.0.0.1:$port measure "$rescuectl" scan "$tree"
  local scan_s=$secs scan_kb=$peak_kb
  local scan_found
  scan_found=$(grep -c '^Threat found: ' "$work/out.txt" || true)

  measure clamscan --no-summary --infected -r -d "$db" "$tree"
  local clam_s=$secs clam_kb=$peak_kb
  local clam_found
  clam_found=$(grep -c ' FOUND$' "$work/out.txt" || true)

  kill "$service_pid"; wait "$service_pid" 2>/dev/null || true; service_pid=

  printf '   %-26s %8s %10s %9s %10s %s\n' "" "time s" "files/s" "MB/s" "peak MB" "threats"
  printf '   %-26s %8s %10s %9s %10s %s\n' "rescuectl scan + nimbixd" "$scan_s" "$(rate "$count" "$scan_s")" \
    "$(mbps "$bytes" "$scan_s")" "$((scan_kb / 1024))" "$scan_found of $planted"
  printf '   %-26s %8s %10s %9s %10s %s\n' "find | xargs md5sum" "$md5_s" "$(rate "$count" "$md5_s")" \
    "$(mbps "$bytes" "$md5_s")" "-" "-"
  printf '   %-26s %8s %10s %9s %10s %s\n' "clamscan -d hashes.hdb" "$clam_s" "$(rate "$count" "$clam_s")" \
    "$(mbps "$bytes" "$clam_s")" "$((clam_kb / 1024))" "$clam_found of $planted"
  echo "   rescuectl / md5sum time:   $(ratio "$scan_s" "$md5_s")"
  echo "   clamscan / rescuectl time: $(ratio "$clam_s" "$scan_s")  (above 1: rescuectl is faster)"
  rm -rf "$tree"
}

bench_tree mixed-20k 20000 mixed
bench_tree small-100k 100000 small
