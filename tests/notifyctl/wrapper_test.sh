#!/usr/bin/env bash
# The ./notifyctl wrapper as a person runs it, without a display, on a device
# of this build folder's own (BUILD/wrapper-device, made by the first run):
#  - the Windows command-line limit: a line that just fits reaches
#    notifyctl.exe; one character more is refused with a message and exit 2
#    instead of Wine's silent exit 1;
#  - calls at once on a device with no wineserver running: eight adds each
#    print their handle and store their entry, four lists each print the
#    whole listing, and no server is left behind;
#  - a folder of someone else's named as the device is refused with exit 3
#    and left exactly as it was.
# Run by ctest with TALLYVANE_BUILD.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(realpath -m "${TALLYVANE_BUILD:-$ROOT/build}")
. "$ROOT/scripts/common.sh"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
unset DISPLAY TALLYVANE_STORE
export TALLYVANE_DEVICE=$BUILD/wrapper-device
passed=0 failures=0

check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $name"
    failures=$((failures + 1))
  fi
}

# notifyctl_at K ARGS...: one call, its output in $folder/K.out, .err, .rc.
notifyctl_at() {
  local k=$1
  shift
  "$ROOT/notifyctl" "$@" >"$folder/$k.out" 2>"$folder/$k.err" </dev/null
  echo $? >"$folder/$k.rc"
}

show() {
  echo "  call $1: exit $(cat "$folder/$1.rc"), output '$(head -c 200 "$folder/$1.out")'," \
       "error '$(cat "$folder/$1.err")'"
}

fits_the_limit() {
  # "Z:$BUILD/notifyctl.exe" in quotes, then " add --title " and the title.
  local fits title
  fits=$(( 32766 - (${#BUILD} + 18) - 13 ))
  title=$(head -c "$fits" /dev/zero | tr '\0' x)
  TALLYVANE_STORE="Z:${folder//\//\\}\\store.txt" notifyctl_at fits add --title "$title"
  [ "$(cat "$folder/fits.rc")" = 0 ] && [[ $(cat "$folder/fits.out") =~ ^[0-9]+$ ]] && return 0
  show fits
  return 1
}

one_over_the_limit() {
  local fits title err
  fits=$(( 32766 - (${#BUILD} + 18) - 13 ))
  title=$(head -c "$fits" /dev/zero | tr '\0' x)
  TALLYVANE_STORE="Z:${folder//\//\\}\\store.txt" notifyctl_at over add --title "${title}x"
  err=$(cat "$folder/over.err")
  [ "$(cat "$folder/over.rc")" = 2 ] && [ ! -s "$folder/over.out" ] &&
    [[ $err == *"32768 characters"*"at most 32767"*"notifyctl import FILE"* ]] && return 0
  show over
  return 1
}

# Whether no wineserver serves the device now: its socket would sit in a
# folder named after the prefix's device and inode.
no_server() {
  local id
  id="server-$(stat -L -c '%D' "$TALLYVANE_DEVICE" 2>/dev/null)-$(printf '%x' "$(stat -L -c '%i' "$TALLYVANE_DEVICE" 2>/dev/null)")"
  ! compgen -G "/tmp/wine-*/$id/socket" >/dev/null && ! compgen -G "/tmp/.wine-$(id -u)/$id/socket" >/dev/null
}

eight_adds_at_once() {
  notifyctl_at clear clear --all
  [ "$(cat "$folder/clear.rc")" = 0 ] || { show clear; return 1; }
  # What a call leaves behind goes before the calls start together.
  leave_device "$TALLYVANE_DEVICE"
  no_server || { echo "  a wineserver still serves the device before the calls"; return 1; }
  local k ok=0
  for k in 1 2 3 4 5 6 7 8; do notifyctl_at "add$k" add --title "parallel $k" & done
  wait
  local printed= listed
  for k in 1 2 3 4 5 6 7 8; do
    if [ "$(cat "$folder/add$k.rc")" = 0 ] && [[ $(cat "$folder/add$k.out") =~ ^[0-9]+$ ]]; then
      printed+="$(cat "$folder/add$k.out")"$'\t'"parallel $k"$'\n'
    else
      show "add$k"
      ok=1
    fi
  done
  printed=$(printf '%s' "$printed" | sort)
  notifyctl_at stored list
  listed=$(cut -f1,8 "$folder/stored.out" | tail -n +2 | sort)
  if [ "$listed" != "$printed" ]; then
    echo "  stored: '$listed'"
    echo "  printed: '$printed'"
    ok=1
  fi
  return "$ok"
}

four_lists_at_once() {
  leave_device "$TALLYVANE_DEVICE"
  local k ok=0
  for k in 1 2 3 4; do notifyctl_at "list$k" list & done
  wait
  for k in 1 2 3 4; do
    if [ "$(cat "$folder/list$k.rc")" != 0 ] || ! cmp -s "$folder/list$k.out" "$folder/stored.out"; then
      show "list$k"
      ok=1
    fi
  done
  return "$ok"
}

foreign_folder_is_refused() {
  local theirs=$folder/theirs before
  mkdir -p "$theirs/notes"
  echo precious >"$theirs/thesis.txt"
  before=$(cd "$theirs" && find . -printf '%p %s %T@\n' | sort)
  TALLYVANE_DEVICE=$theirs notifyctl_at theirs list
  [ "$(cat "$folder/theirs.rc")" = 3 ] && [ ! -s "$folder/theirs.out" ] &&
    grep -q "^notifyctl: $theirs is not empty and is not a Tallyvane device" "$folder/theirs.err" &&
    [ "$(cd "$theirs" && find . -printf '%p %s %T@\n' | sort)" = "$before" ] && return 0
  show theirs
  (cd "$theirs" && find . -printf '%p %s %T@\n' | sort)
  return 1
}

check "a line of 32767 characters with its null reaches notifyctl.exe" fits_the_limit
check "a line of 32768 characters is refused with exit 2" one_over_the_limit
check "eight adds at once: eight handles, eight entries" eight_adds_at_once
check "four lists at once: four whole listings" four_lists_at_once
check "no wineserver is left without a display" no_server
check "a folder of someone else's is refused and left as it was" foreign_folder_is_refused

echo "wrapper: $passed passed, $failures failed"
exit "$failures"
