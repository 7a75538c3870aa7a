#!/bin/sh
# hivemend check and recover on a dirty hive: check says what recovery from
# the logs applies, recover writes the recovered hive clean to a new file
# that the peer reads; the hive and its logs are never changed; a dirty hive
# without logs is said to be dirty, and recover writes nothing for it.
#
#   recover_tool_test.sh HIVEMEND DIRTY_SAMPLES_DIR
set -eu
tool=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$samples"/UsrClass.dat* "$work/"
(cd "$work" && md5sum UsrClass.dat*) > "$work/sums"

"$tool" --quiet check "$work/UsrClass.dat" > "$work/check" || fail "check of a recoverable hive: $(cat "$work/check")"
grep -q "UsrClass.dat: dirty (sequence numbers 0x100 and 0xff); recovered from its transaction logs as Windows would: 14 entries, 158 pages, sequence numbers 0x11f to 0x12c" "$work/check" \
    || fail "check: $(cat "$work/check")"
grep -q "UsrClass.dat:   UsrClass.dat.LOG1: 4 entries, 53 pages; ends: " "$work/check" || fail "LOG1: $(cat "$work/check")"
grep -q "UsrClass.dat:   UsrClass.dat.LOG2: 10 entries, 105 pages; ends: " "$work/check" || fail "LOG2: $(cat "$work/check")"
grep -q "6238 keys, 12531 values, no damage found" "$work/check" || fail "walk: $(cat "$work/check")"

"$tool" --quiet recover "$work/UsrClass.dat" "$work/out.dat" > "$work/recover" || fail "recover: $(cat "$work/recover")"
grep -q "out.dat: the recovered hive, written complete and clean" "$work/recover" || fail "recover: $(cat "$work/recover")"
(cd "$work" && md5sum -c --quiet sums) || fail "the hive or its logs changed"
hivexml "$work/out.dat" > /dev/null || fail "hivexml cannot read the recovered hive"
[ "$(hivexregedit --export "$work/out.dat" '\' | grep -c '^\[')" -eq 6238 ] || fail "hivexregedit sees other keys"
"$tool" --quiet check "$work/out.dat" > "$work/check2" || fail "check of the recovered hive"
! grep -q dirty "$work/check2" || fail "the recovered hive is dirty: $(cat "$work/check2")"

status=0
"$tool" --quiet recover "$work/UsrClass.dat" "$work/out.dat" 2> "$work/err" || status=$?
[ "$status" -eq 1 ] || fail "recover over an existing file exited $status"
grep -q "out.dat exists" "$work/err" || fail "reason: $(cat "$work/err")"

mkdir "$work/alone"
cp "$samples/UsrClass.dat" "$work/alone/"
# Read as it is, as Windows reads it: sound, and said to be dirty.
"$tool" --quiet check "$work/alone/UsrClass.dat" > "$work/check3" || fail "check of a dirty hive without logs"
grep -q "no transaction log can be applied (no transaction log found)" "$work/check3" || fail "$(cat "$work/check3")"
grep -q "6205 keys, 12369 values, no damage found" "$work/check3" || fail "walk: $(cat "$work/check3")"
status=0
"$tool" --quiet recover "$work/alone/UsrClass.dat" "$work/alone/out.dat" > /dev/null 2> "$work/err" || status=$?
[ "$status" -eq 1 ] || fail "recover without logs exited $status"
grep -q "without a usable transaction log, nothing to recover; nothing written" "$work/err" || fail "$(cat "$work/err")"
[ ! -e "$work/alone/out.dat" ] || fail "recover without logs wrote a file"

status=0
"$tool" recover "$work/UsrClass.dat" 2> /dev/null || status=$?
[ "$status" -eq 2 ] || fail "usage error exited $status"
echo "check and recover of a dirty hive: ok"
