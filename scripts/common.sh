# Shared by the scripts in this folder: package installation, build and the
# emulated device (a 32-bit Wine prefix) that any number of calls may use at
# once. Source it; it defines functions only.

TALLYVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Messages start with the name the script was called by.
TALLYVANE_SCRIPT=${0##*/}

# Debian packages the build, the tests and the run need. wine32:i386 needs the
# i386 architecture; xdotool drives the program from outside in the session test.
# The two font packages are only recommended by Wine, but the screen must not
# depend on what a machine happens to have: Liberation Sans stands in for the
# Windows sans fonts, and Wine's Marlett draws caption buttons and check marks.
TALLYVANE_PACKAGES=(wine wine32:i386 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  binutils-mingw-w64-i686 mingw-w64-i686-dev cmake make xvfb xauth x11-apps
  x11-utils imagemagick googletest xdotool fonts-liberation fonts-wine)

# Exit codes of the scripts and of ./notifyctl besides 0 and the program's
# own: 2 a bad command line, 3 the device (or a file named) could not be
# made or used, 4 a step before it could not be done (packages, build, Wine).
EXIT_USAGE=2
EXIT_COULD_NOT=3
EXIT_SETUP=4

# Steps and waits are told on the error output, so that what a command
# prints stays its result.
say() {
  printf '%s\n' "$*" >&2
}

fail() {
  local code=$1
  shift
  say "$TALLYVANE_SCRIPT: $*"
  exit "$code"
}

# take_lock FD MODE MESSAGE...: flock MODE (-s or -x) on FD; a wait longer
# than a moment is told with MESSAGE.
take_lock() {
  flock -w 1 "$2" "$1" && return 0
  say "${@:3}"
  flock "$2" "$1"
}

# The reason a file cannot be opened for writing ("Permission denied"), or
# nothing when it can.
why_unwritable() {
  local why
  why=$( { : >>"$1"; } 2>&1 ) && return 0
  echo "${why##*: }"
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing_packages() {
  local pkg
  for pkg in "${TALLYVANE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || echo "$pkg"
  done
}

# Installs what is missing, one installation at a time on this machine (two
# first calls would otherwise both run apt-get and one would fail on its lock).
install_packages() {
  local missing
  missing=$(missing_packages)
  [ -z "$missing" ] && return 0
  local lock=${XDG_RUNTIME_DIR:-/tmp}/tallyvane-install.lock fd=
  if [ -z "$(why_unwritable "$lock")" ]; then
    exec {fd}>>"$lock"
    take_lock "$fd" -x "Waiting for another installation of Tallyvane's packages to finish..."
    missing=$(missing_packages)
  fi
  if [ -n "$missing" ]; then
    say "Installing Wine, the mingw-w64 compilers and CMake (about a minute)..."
    local log
    log=$(mktemp)
    # shellcheck disable=SC2086  # one word per package
    if ! {
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
      fi
      as_root apt-get update -q &&
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
          -o DPkg::Lock::Timeout=600 $missing
    } >"$log" 2>&1; then
      tail -n 30 "$log" >&2
      rm -f "$log"
      fail "$EXIT_SETUP" "could not install" $missing "(apt-get's last lines are above)"
    fi
    rm -f "$log"
  fi
  [ -n "$fd" ] && exec {fd}>&-
  return 0
}

# build_current BUILD [TARGET]: whether BUILD was built (whole, or TARGET)
# after the last change to any file of the sources, so that there is nothing
# to build. The stamp's time is when that build started.
build_current() {
  local build=$1 target=${2:-} stamp
  for stamp in "$build/.tallyvane-built" ${target:+"$build/.tallyvane-built-$target"}; do
    [ -f "$stamp" ] || continue
    [ -z "$(find "$TALLYVANE_ROOT" \( -name .git -o -path "$TALLYVANE_ROOT/build*" \
              -o -path "$TALLYVANE_ROOT/out" -o -path "$build" \) -prune -o -newer "$stamp" \
              -print -quit)" ] && return 0
  done
  return 1
}

# build_tree [--show] BUILD [TARGET]: configures BUILD when it is new and
# builds everything, or TARGET. One build at a time in a folder: calls that
# start together wait for each other rather than build the same files at
# once, and a call that finds the build current skips it. A build with work
# to do says so; its own output shows when it fails, or always with --show,
# which also always asks the build tool.
build_tree() {
  local show=
  if [ "${1:-}" = --show ]; then show=1; shift; fi
  local build=$1 target=${2:-}
  [ -z "$show" ] && build_current "$build" "$target" && return 0
  local what=Tallyvane took="about 3 minutes"
  [ -n "$target" ] && what=$target took="about a minute"
  local why
  why=$(mkdir -p "$build" 2>&1) || fail "$EXIT_SETUP" "cannot make the build folder $build: ${why##*: }"
  why=$(why_unwritable "$build/.tallyvane-build.lock")
  [ -z "$why" ] || fail "$EXIT_SETUP" "cannot build in $build: $why"
  local fd log stamp=$build/.tallyvane-built${target:+-$target}
  exec {fd}>>"$build/.tallyvane-build.lock"
  take_lock "$fd" -x "Waiting for another build in $build to finish..."
  if [ -z "$show" ] && build_current "$build" "$target"; then
    exec {fd}>&-
    return 0
  fi
  : >"$stamp.new"
  log=$(mktemp)
  local announce="Building the changes into $build..."
  if [ ! -f "$build/CMakeCache.txt" ]; then
    say "Building $what into $build ($took)..."
    announce=
    if ! cmake -S "$TALLYVANE_ROOT" -B "$build" \
         -DCMAKE_TOOLCHAIN_FILE="$TALLYVANE_ROOT/cmake/mingw-i686.cmake" \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1; then
      cat "$log" >&2
      rm -f "$log"
      fail "$EXIT_SETUP" "could not configure the build in $build (CMake's output is above)"
    fi
  fi
  local command=(cmake --build "$build" -j "$(nproc)")
  [ -n "$target" ] && command+=(--target "$target")
  if [ -n "$show" ]; then
    "${command[@]}" || fail "$EXIT_SETUP" "the build in $build failed (its output is above)"
  elif "${command[@]}" 2>&1 | announce_build "$announce" "$log"; [ "${PIPESTATUS[0]}" != 0 ]; then
    cat "$log" >&2
    rm -f "$log"
    fail "$EXIT_SETUP" "the build in $build failed (its output is above)"
  fi
  rm -f "$log"
  mv "$stamp.new" "$stamp"
  exec {fd}>&-
}

# Keeps the build's output in the log and says ANNOUNCEMENT at its first
# compile or link, so that a build with nothing to do says nothing.
announce_build() {
  local announcement=$1 log=$2 line
  while IFS= read -r line; do
    printf '%s\n' "$line" >>"$log"
    if [ -n "$announcement" ] && [[ $line == *"Building "* || $line == *"Linking "* ]]; then
      say "$announcement"
      announcement=
    fi
  done
}

wine_quiet_env() {
  export WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml="
}

# The user's device: TALLYVANE_DEVICE, or the data folder's tallyvane/device.
user_device() {
  echo "${TALLYVANE_DEVICE:-${XDG_DATA_HOME:-$HOME/.local/share}/tallyvane/device}"
}

# A device is a folder with our marker in it, .tallyvane-device, holding the
# version of the setup below once the device is made and "being made" from
# before the first step of making it. Beside it sit the lock files that let
# calls share the device (see "One device, many calls" further down). Any
# other folder that is not empty is someone else's and is never touched.
DEVICE_SETUP_VERSION=3
DEVICE_MARKER=.tallyvane-device
DEVICE_BEING_MADE="being made"

device_lock() {
  echo "$1/.tallyvane-$2.lock"
}

# device_state PREFIX: ready (made by this setup), ours (to be finished or set
# up again), new (not there, or empty), file, or foreign.
device_state() {
  local prefix=$1 others
  if [ ! -e "$prefix" ] && [ ! -L "$prefix" ]; then
    echo new
  elif [ ! -d "$prefix" ]; then
    echo file
  elif [ -f "$prefix/$DEVICE_MARKER" ]; then
    if [ -f "$prefix/system.reg" ] && [ "$(cat "$prefix/$DEVICE_MARKER")" = "$DEVICE_SETUP_VERSION" ]; then
      echo ready
    else
      echo ours
    fi
  # A folder whose contents cannot be listed counts as someone else's.
  elif ! others=$(find "$prefix" -mindepth 1 -maxdepth 1 ! -name '.tallyvane-*.lock' -print -quit 2>/dev/null) ||
       [ -n "$others" ]; then
    echo foreign
  else
    echo new
  fi
}

# What to do about a device folder that cannot be used.
device_advice() {
  local prefix=$1
  if [ -n "${DEVICE_ADVICE:-}" ]; then
    echo "$DEVICE_ADVICE"
  elif [ "$prefix" = "$(realpath -m "$(user_device)")" ]; then
    echo "Name a new or empty folder in TALLYVANE_DEVICE (or leave it unset for" \
         "${XDG_DATA_HOME:-$HOME/.local/share}/tallyvane/device)."
  else
    echo "This script keeps a device of its own in that folder: move the folder away," \
         "or build into another folder."
  fi
}

refuse_device() {
  local prefix=$1 what
  case $(device_state "$prefix") in
    file) what="is a file, not a folder" ;;
    *)
      if [ -e "$prefix/system.reg" ] || [ -d "$prefix/drive_c" ]; then
        what="holds a Wine prefix that is not a Tallyvane device"
      else
        what="is not empty and is not a Tallyvane device"
      fi
      ;;
  esac
  fail "$EXIT_COULD_NOT" "$prefix $what, so it was left untouched."$'\n'"$(device_advice "$prefix")"
}

# claim_device PREFIX: makes sure the folder is ours to use, making it when it
# is not there; refuses it (exit 3) otherwise.
claim_device() {
  local prefix=$1 why
  case $(device_state "$prefix") in
    file|foreign) refuse_device "$prefix" ;;
    new)
      if [ ! -d "$prefix" ]; then
        why=$(mkdir -p "$prefix" 2>&1) ||
          fail "$EXIT_COULD_NOT" "cannot make the device folder $prefix: ${why##*: }."$'\n'"$(device_advice "$prefix")"
      fi
      ;;
  esac
  # Wine refuses a prefix of another user's, with a message about ownership.
  [ -O "$prefix" ] ||
    fail "$EXIT_COULD_NOT" "$prefix belongs to $(stat -c %U "$prefix"), and Wine uses only a device" \
         "folder of your own."$'\n'"$(device_advice "$prefix")"
  why=$(why_unwritable "$(device_lock "$prefix" make)")
  [ -z "$why" ] || fail "$EXIT_COULD_NOT" "cannot use the device $prefix: $why."
}

# make_device PREFIX [WHOSE [BUILD]]: makes the device in PREFIX, or finishes
# one whose making was cut short, or sets up again one made by an older
# version of this script (which keeps its contents); a device made by this
# version is left as it is. WHOSE ("your device") names it in the step's
# line. With BUILD, a device whose store was never written gets the demo set
# (by BUILD's notifyctl), so that a first run has something to show; calls
# that start together fill it once, since a second demo would replace what
# the first one's neighbours have added since.
#
# The device is a 32-bit Wine prefix set up as the handheld: a 240 x 320
# screen (a Wine virtual desktop without taskbar), no window manager delay, and
# the plain look of the handheld's controls rather than a desktop visual theme
# (the themed progress bar alone costs half a millisecond per step), and Wine's
# Marlett font in the device's Fonts folder: this Wine does not load the fonts
# of its own folder, and without Marlett a message box's close button shows "r".
# Runs without a display and waits for its wineserver to end, so that the next
# server is started inside the session that has the screen.
make_device() {
  local prefix=$1 whose=${2:-the device} build=${3:-}
  device_complete "$prefix" "$build" && [ -O "$prefix" ] && [ -w "$(device_lock "$prefix" server)" ] &&
    return 0
  claim_device "$prefix"
  local fd
  exec {fd}>>"$(device_lock "$prefix" make)"
  take_lock "$fd" -x "Waiting while another call makes the device in $prefix..."
  local state
  state=$(device_state "$prefix")
  case $state in
    ready) ;;
    new|ours) ( set_up_device "$prefix" "$state" "$whose" ) {fd}>&- || exit $? ;;
    *) refuse_device "$prefix" ;;
  esac
  if ! device_complete "$prefix" "$build"; then
    local log rc=0
    log=$(mktemp)
    device_notifyctl "$build" "$prefix" demo </dev/null >"$log" 2>&1 {fd}>&- || rc=$?
    [ "$rc" = 0 ] || { cat "$log" >&2; rm -f "$log"
                       fail "$EXIT_COULD_NOT" "could not give the device in $prefix its demo entries."; }
    rm -f "$log"
  fi
  exec {fd}>&-
}

# device_complete PREFIX [BUILD]: made by this version, and with BUILD, its
# store written (or another store chosen by TALLYVANE_STORE).
device_complete() {
  [ "$(device_state "$1")" = ready ] &&
    { [ -z "${2:-}" ] || [ -n "${TALLYVANE_STORE:-}" ] || [ -f "$1/drive_c/windows/notifications.txt" ]; }
}

set_up_device() {
  local prefix=$1 state=$2 whose=$3 marker=$1/$DEVICE_MARKER log
  if [ "$state" = new ]; then
    echo "$DEVICE_BEING_MADE" >"$marker"
    say "Making $whose in $prefix (about 10 s)..."
  elif [ "$(cat "$marker")" = "$DEVICE_BEING_MADE" ]; then
    say "Finishing $whose in $prefix, whose making was cut short (about 10 s)..."
  else
    say "Setting up $whose in $prefix again for this version (about 5 s)..."
  fi
  wine_quiet_env
  export WINEPREFIX=$prefix
  unset DISPLAY
  log=$(mktemp)
  if [ "$state" = new ]; then
    wineboot -i >>"$log" 2>&1 || true
  elif [ "$(cat "$marker")" = "$DEVICE_BEING_MADE" ] || [ ! -f "$prefix/system.reg" ]; then
    # Wine writes its prefix's timestamp before the files it stands for: a
    # making cut short looks up to date to Wine and lacks half its DLLs.
    # Without the timestamp Wine does its whole update again.
    rm -f "$prefix/.update-timestamp"
    wineboot -u >>"$log" 2>&1 || true
  fi
  if [ ! -d "$prefix/drive_c/windows" ]; then
    cat "$log" >&2
    fail "$EXIT_SETUP" "Wine could not make a prefix in $prefix (its output is above)."
  fi
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
  if ! wine regedit /S 'C:\device.reg' >>"$log" 2>&1; then
    cat "$log" >&2
    fail "$EXIT_SETUP" "Wine could not set up the device in $prefix (its output is above)."
  fi
  rm -f "$prefix/drive_c/device.reg"
  local marlett=/usr/share/wine/fonts/marlett.ttf
  [ -f "$marlett" ] && cp "$marlett" "$prefix/drive_c/windows/Fonts/"
  # The registry reaches its files when the server ends.
  wineserver -w
  if [ ! -f "$prefix/system.reg" ]; then
    cat "$log" >&2
    fail "$EXIT_SETUP" "Wine could not make a prefix in $prefix (its output is above)."
  fi
  rm -f "$log"
  echo "$DEVICE_SETUP_VERSION" >"$marker"
}

# One device, many calls. Two lock files in the device say who uses it:
#   .tallyvane-server.lock  shared by every call that uses the device's
#                           wineserver; taken alone to start or stop one;
#   .tallyvane-screen.lock  held by the one windowed session (scripts/run,
#                           scripts/screenshot, the tests, the benchmarks)
#                           that owns the server; the program runs once per
#                           device, so such sessions take turns.
# A call without a window (notifyctl) uses whatever server there is, or lets
# Wine start one; the last call out stops it unless a session owns it, since
# a server started without a display makes the next session's windows fail.
# A session stops any server left over and starts its own on its screen.
# Nobody ever stops a server another call is using. The locks are held by
# flock and by a small process of the session's own, never by a Wine
# process: Wine's server and background services inherit open files and
# would hold a lock for as long as they live.

# Copies the text with each Linux name of a drive's folder through the
# device's dosdevices links (where Wine puts them, PREFIX/dosdevices/c:/...)
# written as the folder it is (PREFIX/drive_c/...), as a person looks for it.
device_names_resolved() {
  local prefix=$1 text link from to
  text=$(cat; echo .)
  text=${text%.}
  for link in "$prefix"/dosdevices/[a-z]:; do
    [ -L "$link" ] || continue
    from=$link/
    [[ $text == *"$from"* ]] || continue
    to=$(readlink -f "$link") || continue
    text=${text//"$from"/"${to%/}/"}
  done
  printf '%s' "$text"
}

# device_notifyctl BUILD PREFIX ARGS...: runs notifyctl.exe in that device and
# returns its exit code. Its output goes through files, not pipes: Wine's
# background services inherit the handles and would hold a pipe open for
# seconds. The call shares the device's server with every other call; the
# last one out stops it (leave_device).
device_notifyctl() {
  local build=$1 prefix=$2
  shift 2
  local out err rc=0
  out=$(mktemp) err=$(mktemp)
  ( wine_quiet_env
    export WINEPREFIX=$prefix
    exec flock -s -o "$(device_lock "$prefix" server)" wine "$build/notifyctl.exe" "$@"
  ) >"$out" 2>"$err" || rc=$?
  cat "$out"
  device_names_resolved "$prefix" <"$err" >&2
  rm -f "$out" "$err"
  leave_device "$prefix"
  return "$rc"
}

# leave_device PREFIX: stops the device's server when no call uses it any
# more and no session owns it.
leave_device() {
  local prefix=$1 server screen
  [ -f "$prefix/$DEVICE_MARKER" ] && [ -z "$(why_unwritable "$(device_lock "$prefix" server)")" ] ||
    return 0
  exec {server}>>"$(device_lock "$prefix" server)"
  if flock -n -x "$server"; then
    exec {screen}>>"$(device_lock "$prefix" screen)"
    if flock -n -x "$screen"; then
      WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    fi
    exec {screen}>&-
  fi
  exec {server}>&-
}

# start_wineserver: this script's session on the device (WINEPREFIX): waits
# for its turn, then one wineserver for the whole session on the current
# screen, warmed by a throwaway run whose background services must not hold
# our output open.
start_wineserver() {
  local prefix=$WINEPREFIX screen server why
  why=$(why_unwritable "$(device_lock "$prefix" screen)")
  [ -z "$why" ] || fail "$EXIT_COULD_NOT" "cannot use the device $prefix: $why."
  exec {screen}>>"$(device_lock "$prefix" screen)"
  take_lock "$screen" -x "Tallyvane is already running on the device $prefix (it runs once per" \
    "device); waiting for it to close..."
  exec {server}>>"$(device_lock "$prefix" server)"
  take_lock "$server" -x "Waiting for the notifyctl calls on the device $prefix to finish..."
  wineserver -k >/dev/null 2>&1 {screen}>&- {server}>&- || true
  wineserver -p {screen}>&- {server}>&-
  wine cmd /c exit >/dev/null 2>&1 </dev/null {screen}>&- {server}>&- || true
  flock -s "$server"
  # Holds both locks until stop_wineserver, or until this script is gone.
  tail -f /dev/null --pid=$$ </dev/null >/dev/null 2>&1 &
  DEVICE_SESSION_PID=$!
  exec {screen}>&- {server}>&-
}

stop_wineserver() {
  if [ -n "${DEVICE_SESSION_PID:-}" ]; then
    kill "$DEVICE_SESSION_PID" 2>/dev/null || true
    wait "$DEVICE_SESSION_PID" 2>/dev/null || true
    DEVICE_SESSION_PID=
  fi
  leave_device "$WINEPREFIX"
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
