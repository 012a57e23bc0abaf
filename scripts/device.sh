# The user's emulated device, shared by the run script and ./notifyctl.
# Source it after common.sh; it defines functions only.

# device_wineserver_running PREFIX: whether a wineserver serves that prefix
# now (its socket sits in a folder named after the prefix's device and inode).
device_wineserver_running() {
  local id
  id="server-$(stat -L -c '%D' "$1" 2>/dev/null)-$(printf '%x' "$(stat -L -c '%i' "$1" 2>/dev/null)")"
  compgen -G "/tmp/wine-*/$id/socket" >/dev/null || compgen -G "/tmp/.wine-$(id -u)/$id/socket" >/dev/null
}

# ensure_user_device BUILD [PREFIX]: makes the device (default: WINEPREFIX)
# when it is not made yet, and gives a device whose store was never written
# the demo set, so that a first run has something to show.
ensure_user_device() {
  local build=$1 prefix=${2:-$WINEPREFIX}
  make_device "$prefix" "your device" "$build"
}
