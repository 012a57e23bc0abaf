# The user's emulated device, shared by the run script and ./notifyctl.
# Source it after common.sh; it defines functions only.

# device_wineserver_running PREFIX: whether a wineserver serves that prefix
# now (its socket sits in a folder named after the prefix's device and inode).
device_wineserver_running() {
  local id
  id="server-$(stat -L -c '%D' "$1" 2>/dev/null)-$(printf '%x' "$(stat -L -c '%i' "$1" 2>/dev/null)")"
  compgen -G "/tmp/wine-*/$id/socket" >/dev/null || compgen -G "/tmp/.wine-$(id -u)/$id/socket" >/dev/null
}

# device_notifyctl BUILD PREFIX ARGS...: runs notifyctl.exe in that device and
# returns its exit code. Its output goes through files, not pipes: Wine's
# background services inherit the handles and would hold a pipe open for
# seconds. Without a display, a wineserver started here is stopped again at
# once, so that no display-less server lingers to break the next windowed run.
device_notifyctl() {
  local build=$1 prefix=$2
  shift 2
  local out err rc=0 started=0
  out=$(mktemp) err=$(mktemp)
  device_wineserver_running "$prefix" || started=1
  WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml=" \
    wine "$build/notifyctl.exe" "$@" >"$out" 2>"$err" || rc=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  if [ "$started" = 1 ] && [ -z "${DISPLAY:-}" ]; then
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  fi
  return "$rc"
}

# ensure_user_device BUILD [PREFIX]: makes the device (default: WINEPREFIX)
# when it does not exist yet, and gives a device whose store was never
# written the demo set, so that a first run has something to show.
ensure_user_device() {
  local build=$1 prefix=${2:-$WINEPREFIX}
  make_device "$prefix"
  if [ -z "${TALLYVANE_STORE:-}" ] && [ ! -f "$prefix/drive_c/windows/notifications.txt" ]; then
    device_notifyctl "$build" "$prefix" demo </dev/null >/dev/null
  fi
}
