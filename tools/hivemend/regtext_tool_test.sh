#!/bin/sh
# hivemend export and import from the console: a key tree exported, imported
# into an empty hive and exported again gives the same file; failures exit 1
# with one line on standard error and leave the hive file as it was.
#
#   regtext_tool_test.sh HIVEMEND SAMPLES_DIR
set -eu
tool=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

prefix='HKEY_CURRENT_USER'
"$tool" --quiet export "$samples/NTUSER.DAT" '\Software\Microsoft' "$work/a.reg" --prefix "$prefix" || fail "export"
cp "$samples/minimal" "$work/hive"
"$tool" --quiet import "$work/hive" "$work/a.reg" --prefix "$prefix" || fail "import"
"$tool" --quiet check "$work/hive" > /dev/null || fail "imported hive is not sound"
"$tool" --quiet export "$work/hive" '\Software\Microsoft' "$work/b.reg" --prefix "$prefix" || fail "export again"
cmp "$work/a.reg" "$work/b.reg" || fail "the round trip changed the file"

cp "$work/hive" "$work/before"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s\\New]\r\n"v"=hex:01,zz\r\n' "$prefix" > "$work/bad.reg"
status=0
"$tool" --quiet import "$work/hive" "$work/bad.reg" --prefix "$prefix" 2> "$work/err" || status=$?
[ "$status" -eq 1 ] || fail "bad import exited $status"
[ "$(wc -l < "$work/err")" -eq 1 ] || fail "not one line: $(cat "$work/err")"
grep -q "bad.reg:4: hex string parse error" "$work/err" || fail "reason: $(cat "$work/err")"
cmp "$work/hive" "$work/before" || fail "a failed import changed the hive"

status=0
"$tool" --quiet export "$work/hive" 'No\Such\Key' "$work/c.reg" 2> "$work/err" || status=$?
[ "$status" -eq 1 ] || fail "export of a missing key exited $status"
grep -q "key 'No\\\\Such\\\\Key' not found" "$work/err" || fail "reason: $(cat "$work/err")"
[ ! -e "$work/c.reg" ] || fail "a file was made for a missing key"

status=0
"$tool" import "$work/hive" 2> /dev/null || status=$?
[ "$status" -eq 2 ] || fail "usage error exited $status"
echo "export/import round trip and failures: ok"
