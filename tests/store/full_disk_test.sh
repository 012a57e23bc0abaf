#!/usr/bin/env bash
# Every command that saves the store, on a file system with too little room:
# each exits 3 with a message naming the full disk, leaves the store byte for
# byte as it was and nothing beside it, and works once there is room again.
# The file system is a small tmpfs of this test's own, which takes root to
# mount; where it cannot be mounted the test says so and ctest reports it as
# skipped (exit 77). Run by ctest with TALLYVANE_BUILD.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
folder=$(mktemp -d)
disk=$folder/disk
mkdir "$disk"
cleanup() {
  if mountpoint -q "$disk" && ! umount "$disk"; then
    echo "full disk: cannot unmount $disk; $folder is left as it is" >&2
    return
  fi
  rm -rf "$folder"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=256k tmpfs "$disk" 2>"$folder/err"; then
  echo "full disk: skipped: cannot mount a tmpfs as $(id -un): $(cat "$folder/err")"
  exit 77
fi
export TALLYVANE_STORE="Z:${disk//\//\\}\\store.txt"
notifyctl() { "$ROOT/notifyctl" "$@"; }
passed=0
failed=0
case_ok=1
fail() { echo "FAIL: $*"; case_ok=0; }

# Fills the disk up to the given KiB (a multiple of tmpfs's 4 KiB pages); 4
# leaves a store of the demo set's size (9 KiB) room for only part of it.
fill_leaving() {
  [ "$1" -gt 0 ] && dd if=/dev/zero of="$disk/room" bs=1k count="$1" 2>/dev/null
  dd if=/dev/zero of="$disk/filler" bs=4k 2>/dev/null
  rm -f "$disk/room"
}

if ! notifyctl demo >/dev/null || ! notifyctl export "$folder/backup.txt" >/dev/null; then
  echo "FAIL: cannot make the demo set to start from"
  exit 1
fi

# KiB left | command (HANDLE: the demo set's first entry)
cases=(
  '0|add --app \Windows\clock.exe --type time'
  '4|add --app \Windows\clock.exe --type time'
  '4|soft-reset'
  '4|clear HANDLE'
  '0|clear --all'
  "4|import $folder/backup.txt"
  '4|demo'
  '4|pileups --clear'
)
# Store errors name the store as Windows and as Linux call it.
expected="notifyctl: $TALLYVANE_STORE ($disk/store.txt): cannot write $TALLYVANE_STORE.new: the disk is full"
for case in "${cases[@]}"; do
  case_ok=1
  room=${case%%|*}
  read -ra command <<<"${case#*|}"
  rm -f "$disk/store.txt" "$disk/store.txt.new" "$disk/filler"
  if ! notifyctl demo >/dev/null; then
    fail "${command[*]}: cannot make the demo set"
    failed=$((failed + 1))
    continue
  fi
  if [ "${command[1]:-}" = HANDLE ]; then
    command[1]=$(notifyctl list | sed -n 2p | cut -f1)
  fi
  cp "$disk/store.txt" "$folder/before"
  fill_leaving "$room"
  out=$(notifyctl "${command[@]}" 2>&1); rc=$?
  name="${command[*]} with $room KiB left"
  [ "$rc" = 3 ] || fail "$name: exit $rc, not 3"
  [ "$out" = "$expected" ] || fail "$name: said '$out'"
  cmp -s "$disk/store.txt" "$folder/before" || fail "$name: the store changed"
  [ ! -e "$disk/store.txt.new" ] || fail "$name: store.txt.new left behind"
  rm -f "$disk/filler"
  out=$(notifyctl "${command[@]}" 2>&1); rc=$?
  [ "$rc" = 0 ] || fail "$name, then with room: exit $rc, '$out'"
  ! cmp -s "$disk/store.txt" "$folder/before" || fail "$name, then with room: the store is unchanged"
  if [ "$case_ok" = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done

echo "full disk: $passed passed, $failed failed"
exit $((failed > 0))
