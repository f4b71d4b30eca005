#!/usr/bin/env bash
# Builds Dreieck.scr and runs it under Wine (tools/run.sh --windows comes here).
#
#   tools/run-windows.sh [COMMAND-LINE]
#
# With a display (DISPLAY set) the screensaver runs there with COMMAND-LINE, "/s" by
# default: full screen until a mouse button is pressed ("/c" opens the settings).
# Without a display it works on a virtual display of its own: "/s" (the default) runs
# one whole cycle at the shortest interval (500 ms) with every construction on, and
# out/screens-windows/ becomes a screenshot of every tick of it (tick-00.png the
# triangle, one for each construction, two quiet ones, the erase with the caption) once
# the whole cycle was taken; a line that opens the settings dialog ("/c" and every
# other line but "/s" and "/p") writes out/screens-windows/settings.png and closes the
# dialog with Escape, which stores nothing; "/p" needs a screensaver host's window and
# is refused (exit code 2). The settings stored in out/wine are the same afterwards.
#
# Installs what is missing first (tools/install-deps.sh). Wine runs in a prefix of its own
# under out/wine, made on the first run (about 20 s), with HOME inside it. The prefix
# takes about 25 MB: Wine's own modules in it are placeholders (tools/lib/wine.sh,
# slim_prefix); a prefix of an earlier run that holds full copies is slimmed once.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
line=${1:-/s}
if [ -z "${DISPLAY:-}" ] && [[ "$line" == /p* ]]; then
  echo "run: '$line' runs the preview inside a screensaver host's window; without a display use /s (one cycle) or /c (the settings dialog)" >&2
  exit 2
fi

# shellcheck source=SCRIPTDIR/lib/process.sh
source "$root/tools/lib/process.sh"
if missing=$(missing_tool cmake make x86_64-w64-mingw32-g++-posix wine Xvfb import); then
  echo "run: $missing is missing; installing the packages (tools/install-deps.sh)"
  tools/install-deps.sh || exit 1
fi

mkdir -p build out
echo "run: building build/win/Dreieck.scr"
cmake --preset windows >build/win.configure.log 2>&1 || { cat build/win.configure.log; exit 1; }
cmake --build --preset windows --target dreieck_scr -j"$(nproc 2>/dev/null || echo 2)" || exit 1
scr="$root/build/win/Dreieck.scr"

# shellcheck source=SCRIPTDIR/lib/display.sh
source "$root/tools/lib/display.sh"
# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$root/tools/lib/wine.sh"
# shellcheck source=SCRIPTDIR/lib/cycle.sh
source "$root/tools/lib/cycle.sh"
run="$root/out/wine"
# X needs the real home's cookie when HOME moves into the run folder.
export XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}"
user_display=${DISPLAY:-}
mkdir -p "$run"
wine_env "$run/prefix" "$run/home" "$run/tmp"
if [ ! -f "$run/prefix/system.reg" ]; then
  echo "run: first run, making a Wine prefix in out/wine/prefix (about 20 s, 25 MB)"
  make_prefix "$run" || { echo "run: wineboot failed, see $run/wineboot.err"; rm -rf "$run/prefix"; exit 1; }
elif [ ! -f "$run/prefix/.placeholders" ]; then
  echo "run: Wine's modules in out/wine/prefix become placeholders (from about 700 MB to 25 MB)"
  wine_stop "$run/prefix"
  slim_prefix "$run/prefix" >"$run/slim.out" 2>&1
  case $? in
    0 | 2) ;;
    *) cat "$run/slim.out"; echo "run: the prefix is damaged; it is made again"; rm -rf "$run/prefix"
       make_prefix "$run" || { echo "run: wineboot failed, see $run/wineboot.err"; exit 1; } ;;
  esac
fi

if [ -n "$user_display" ]; then
  export DISPLAY=$user_display
  echo "run: Dreieck.scr $line on $DISPLAY (a mouse button ends the screensaver)"
  wine "$scr" "$line" >"$run/scr.out" 2>"$run/scr.err"
  rc=$?
  echo "run: exit code $rc"
  exit 0
fi

# No display: a virtual display of our own. It comes first: Wine's desktop process,
# started with the first wine call, keeps the display it found. The settings this run
# needs are set for the run only; what was stored before comes back at the end.
start_xvfb "$run" || exit 1
saved="$run/saved-settings.reg"
cleanup() {
  timeout 30 wine reg delete "$SETTINGS_KEY" /f >"$run/reg.out" 2>"$run/reg.err"
  [ -f "$saved" ] && timeout 30 wine reg import "$(winpath "$saved")" >"$run/reg.out" 2>"$run/reg.err"
  wine_stop "$WINEPREFIX"
  stop_xvfb
}
trap cleanup EXIT
timeout 30 wineserver -p >"$run/wineserver.out" 2>&1
rm -f "$saved"
timeout 60 wine reg export "$SETTINGS_KEY" "$(winpath "$saved")" /y >"$run/reg.out" 2>"$run/reg.err"
screens="$root/out/screens-windows"
mkdir -p "$screens"

if [[ "$line" != /s* ]]; then
  # The settings dialog, photographed, then cancelled.
  echo "run: Dreieck.scr $line on the virtual display $DISPLAY"
  wine "$scr" "$line" >"$run/scr.out" 2>"$run/scr.err" &
  scr_pid=$!
  geometry=$(wait_window Settings 60) || { echo "run: the settings dialog did not appear; see $run/scr.err"; exit 1; }
  sleep 0.5  # the dialog draws its controls after it is mapped
  timeout 20 import -window root "$run/settings.png" 2>>"$run/import.err" &&
    mv "$run/settings.png" "$screens/settings.png" || { echo "run: the screenshot failed; see $run/import.err"; exit 1; }
  echo "run: Dreieck.scr $line: the settings dialog ($geometry) is in $screens/settings.png"
  # Without a window manager the focus is set by hand.
  id=$(xdotool search --name '^Settings$' 2>/dev/null | head -1)
  [ -n "$id" ] && xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool key Escape
  rc=running
  wait_end "$scr_pid" 15 && rc=$ended_rc
  echo "run: exit code $rc after Escape"
  exit 0
fi

# /s: one cycle, every tick photographed (tools/lib/cycle.sh).
# Every construction on, as the program has it when nothing is stored, on black at the
# shortest interval.
clear_settings "$run"
for setting in Hintergrundfarbe=4 Geschwindigkeit=500; do
  set_setting "${setting%=*}" "${setting#*=}" "$run" || echo "FAIL: reg add ${setting%=*} ${setting#*=}"
done

echo "run: Dreieck.scr /s on the virtual display $DISPLAY, interval 500 ms"
wine "$scr" /s >"$run/scr.out" 2>"$run/scr.err" &
scr_pid=$!
wait_window myScreenSaver 30 >/dev/null || { echo "run: no window appeared; see $run/scr.err"; exit 1; }
display_first_tick "$scr_pid" 500 "$run/probe.ppm" || { echo "run: the triangle never appeared; see $run/scr.err"; exit 1; }
photograph_cycle "$screens" display_tick || { echo "run: see $run/scr.err; out/screens-windows is as it was"; exit 1; }
xdotool click 1
exit_code=running
wait_end "$scr_pid" 15 && exit_code=$ended_rc
echo "run: the screensaver ended with exit code $exit_code after a click"
