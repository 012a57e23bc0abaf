#!/usr/bin/env bash
# The ./notifyctl wrapper and the Windows command-line limit: a line that just
# fits reaches notifyctl.exe; one character more is refused with a message and
# exit 2 instead of Wine's silent exit 1. Run by ctest with TALLYVANE_BUILD.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(realpath -m "${TALLYVANE_BUILD:-$ROOT/build}")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
export TALLYVANE_STORE="Z:${folder//\//\\}\\store.txt"
failures=0

# "Z:$BUILD/notifyctl.exe" in quotes, then " add --title " and the title.
fits=$(( 32766 - (${#BUILD} + 18) - 13 ))
title=$(head -c "$fits" /dev/zero | tr '\0' x)

out=$("$ROOT/notifyctl" add --title "$title" 2>"$folder/err"); rc=$?
if [ "$rc" != 0 ] || ! [[ $out =~ ^[0-9]+$ ]]; then
  echo "FAIL: a line of 32767 characters with its null: exit $rc, output '$out', $(cat "$folder/err")"
  failures=$((failures + 1))
fi

out=$("$ROOT/notifyctl" add --title "${title}x" 2>"$folder/err"); rc=$?
err=$(cat "$folder/err")
if [ "$rc" != 2 ] || [ -n "$out" ] || [[ $err != *"32768 characters"*"at most 32767"*"notifyctl import FILE"* ]]; then
  echo "FAIL: a line of 32768 characters: exit $rc, output '$out', error '$err'"
  failures=$((failures + 1))
fi

[ "$failures" = 0 ] && echo "wrapper: 2 passed, 0 failed"
exit "$failures"
