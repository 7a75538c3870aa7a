#!/bin/sh
# Names read from a hive reach the terminal with their control characters
# escaped: a key or value name cannot clear the screen or forge a line.
#
#   ls_escape_test.sh HIVEMEND SAMPLES_DIR
set -eu
tool=$1
samples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$samples/minimal" "$work/hive"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Evil\033[2J]\r\n"v\033]0;x\007"=dword:00000001\r\n' \
    > "$work/names.reg"
"$tool" --quiet import "$work/hive" "$work/names.reg" --prefix HKEY_CURRENT_USER || fail "import"
"$tool" --quiet ls "$work/hive" > "$work/root.txt" || fail "ls of the root"
"$tool" --quiet ls "$work/hive" "$(printf 'Evil\033[2J')" > "$work/key.txt" || fail "ls of the key"
grep -qF '<Evil\x1b[2J>' "$work/root.txt" || fail "key name: $(cat -v "$work/root.txt")"
grep -qF '<v\x1b]0;x\x07>' "$work/key.txt" || fail "value name: $(cat -v "$work/key.txt")"
if LC_ALL=C grep -q "$(printf '[\033\007]')" "$work/root.txt" "$work/key.txt"; then
    fail "a control character reached the output"
fi
status=0
"$tool" --quiet ls "$work/hive" "$(printf 'No\033[2JKey')" 2> "$work/err" || status=$?
[ "$status" -eq 1 ] || fail "missing key exited $status"
grep -qF "key 'No\\x1b[2JKey' not found" "$work/err" || fail "reason: $(cat -v "$work/err")"
echo "names escaped: ok"
