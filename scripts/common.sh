# Shared by the scripts in this folder: package installation, build and the
# emulated device (a 32-bit Wine prefix). Source it; it defines functions only.

TALLYVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the tests and the run need. wine32:i386 needs the
# i386 architecture; xdotool drives the program from outside in the session test.
# The two font packages are only recommended by Wine, but the screen must not
# depend on what a machine happens to have: Liberation Sans stands in for the
# Windows sans fonts, and Wine's Marlett draws caption buttons and check marks.
TALLYVANE_PACKAGES=(wine wine32:i386 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  binutils-mingw-w64-i686 mingw-w64-i686-dev cmake make xvfb xauth x11-apps
  x11-utils imagemagick googletest xdotool fonts-liberation fonts-wine)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=()
  local pkg
  for pkg in "${TALLYVANE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
      || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

build_tree() {
  local build=$1
  cmake -S "$TALLYVANE_ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$TALLYVANE_ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$(nproc)"
}

wine_quiet_env() {
  export WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml="
}

# make_device PREFIX: a 32-bit Wine prefix set up as the handheld: a 240 x 320
# screen (a Wine virtual desktop without taskbar), no window manager delay, and
# the plain look of the handheld's controls rather than a desktop visual theme
# (the themed progress bar alone costs half a millisecond per step), and Wine's
# Marlett font in the device's Fonts folder: this Wine does not load the fonts
# of its own folder, and without Marlett a message box's close button shows "r".
# Runs without a display and stops its wineserver afterwards, so that the next
# server is started inside the session that has the screen.
DEVICE_SETUP_VERSION=3

make_device() {
  local prefix=$1
  if [ -f "$prefix/system.reg" ] && [ -f "$prefix/.tallyvane-device" ]; then
    # A device made by an earlier version of this script keeps its contents
    # and only gets the settings again.
    [ "$(cat "$prefix/.tallyvane-device")" = "$DEVICE_SETUP_VERSION" ] && return 0
  else
    rm -rf "$prefix"
    mkdir -p "$prefix"
  fi
  (
    wine_quiet_env
    export WINEPREFIX=$prefix
    unset DISPLAY
    [ -f "$prefix/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
    cat >"$prefix/drive_c/device.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Handheld"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Handheld"="240x320"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]
"ThemeActive"="0"
REG
    wine regedit /S 'C:\device.reg' >/dev/null 2>&1
    rm -f "$prefix/drive_c/device.reg"
    local marlett=/usr/share/wine/fonts/marlett.ttf
    [ -f "$marlett" ] && cp "$marlett" "$prefix/drive_c/windows/Fonts/"
    wineserver -w
  )
  echo "$DEVICE_SETUP_VERSION" >"$prefix/.tallyvane-device"
}

# one_core: this shell and everything it starts from now on (the screen, the
# wineserver, the programs) share one processor core, as on the one-core
# handheld. Under Wine nearly every window and file call is a round trip to
# the wineserver; between two cores of a virtual machine a round trip costs
# several times what it costs on one (26 us against 4 us measured here). The
# program and the benchmarks run this way; the tests keep the machine's
# scheduling, where their timing has been proven.
one_core() {
  command -v taskset >/dev/null || return 0
  taskset -cp "$(( $(nproc) - 1 ))" $$ >/dev/null 2>&1 || true
}

# start_screen: an Xvfb screen of the handheld's size; sets DISPLAY and XVFB_PID.
start_screen() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 240x320x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  DISPLAY=":$(head -n1 "$fdfile")"
  export DISPLAY XVFB_PID
  rm -f "$fdfile"
}

stop_screen() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null || true
}

# One wineserver for a whole session on the current screen, warmed by a
# throwaway run whose background services must not hold our output open.
start_wineserver() {
  wineserver -k 2>/dev/null || true
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wineserver() {
  wineserver -k 2>/dev/null || true
}

# The user's device: TALLYVANE_DEVICE, or the data folder's tallyvane/device.
user_device() {
  echo "${TALLYVANE_DEVICE:-${XDG_DATA_HOME:-$HOME/.local/share}/tallyvane/device}"
}

# start_program BUILD: starts Tallyvane.exe in the current device with the
# device's root (C:\) as working folder, so the log lands there as on a
# handheld; waits until its main window is up. Sets PROGRAM_PID.
start_program() {
  local build=$1
  (cd "$WINEPREFIX/drive_c" && exec wine "$build/Tallyvane.exe") >/dev/null 2>&1 &
  PROGRAM_PID=$!
  wine "$build/windowctl.exe" wait 60 </dev/null
}

# close_program BUILD: answers any open message box, closes the main window
# and waits for the program to end; sets PROGRAM_EXIT to its exit code. Call
# it in this shell, not in $(...): only this shell can wait for the program.
close_program() {
  local build=$1
  wine "$build/windowctl.exe" answer ok </dev/null >/dev/null 2>&1 || true
  wine "$build/windowctl.exe" close </dev/null >/dev/null 2>&1 || true
  PROGRAM_EXIT=0
  wait "$PROGRAM_PID" || PROGRAM_EXIT=$?
}

# screenshot FILE: the whole 240 x 320 screen as PNG.
screenshot() {
  # xwd shows Wine dialogs black under Xvfb; ImageMagick's import does not.
  import -display "$DISPLAY" -window root "$1"
}
