#!/usr/bin/env bash
# Builds Dreieck and runs it.
#
#   tools/run.sh [OPTION]...            the native Linux saver, build/host/dreieck
#   tools/run.sh --windows [LINE]       Dreieck.scr under Wine (tools/run-windows.sh)
#   tools/run.sh --web [OPTION]...      the page in the browser (tools/run-web.sh)
#
# With a display (DISPLAY set) the saver opens its window there with the OPTIONs given
# (dreieck --help lists them; a mouse button, q or Escape ends it). Without a display it
# runs one whole cycle (at 500 ms, or the --interval given) on a virtual display of its
# own, full screen unless the OPTIONs say where it draws (--root), and writes a
# screenshot of every tick of that cycle to out/screens/ (tick-00.png after the
# triangle, then one for each construction that is on, two quiet ones, and the erase
# with the caption), saying what each shows. --explore there is photographed once it
# shows its triangle (out/screens/explore.png); --picture, --frames, --help and
# --version need no display and run as they are. Paths among the OPTIONs are taken
# from where run.sh was started.
#
# The OPTIONs are dreieck's: a command line it refuses ends with its own one-line error
# and exit code 2, and the screenshots of an earlier run stay as they were. A Windows
# switch (/s, /c, /p, /a, /c:1234, any case) is refused at once with exit code 2 and
# the command that runs it: those belong to Dreieck.scr (--windows).
#
# --windows [LINE] hands over to tools/run-windows.sh: Dreieck.scr under Wine, with or
# without a display (there /c photographs the settings dialog). --web [OPTION]... hands
# over to tools/run-web.sh: the page built and served on 127.0.0.1, the OPTIONs as its
# query; without a display one cycle photographed in headless Chromium.
#
# Installs what is missing first (tools/install-deps.sh).
set -uo pipefail
caller=$(pwd)
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

# A Windows screensaver switch: "/" and one letter, alone or with ":..." after it.
is_windows_switch() { [[ "$1" =~ ^/[[:alpha:]](:.*)?$ ]]; }

if [ "${1:-}" == --windows ]; then
  shift
  exec tools/run-windows.sh "$@"
fi

for arg in "$@"; do
  if is_windows_switch "$arg"; then
    echo "run: '$arg' is a switch of the Windows program; run it with ./tools/run.sh --windows $arg (dreieck's own options: build/host/dreieck --help)" >&2
    exit 2
  fi
done

if [ "${1:-}" == --web ]; then
  shift
  exec tools/run-web.sh "$@"
fi

install_deps() {
  echo "run: something is missing; installing the packages (tools/install-deps.sh)"
  tools/install-deps.sh || exit 1
}
for tool in cmake make g++ pkg-config Xvfb import; do
  command -v "$tool" >/dev/null || { install_deps; break; }
done

mkdir -p build out
echo "run: building build/host/dreieck"
if ! cmake --preset host >build/host.configure.log 2>&1; then
  # A library or its headers are missing: install them, then try once more.
  install_deps
  cmake --preset host >build/host.configure.log 2>&1 || { cat build/host.configure.log; exit 1; }
fi
cmake --build --preset host --target dreieck -j"$(nproc 2>/dev/null || echo 2)" || exit 1
bin="$root/build/host/dreieck"

if [ -n "${DISPLAY:-}" ]; then
  echo "run: dreieck $* on $DISPLAY (a mouse button, q or Escape ends it)"
  (cd "$caller" && exec "$bin" "$@")
  rc=$?
  echo "run: exit code $rc"
  exit "$rc"
fi

# No display. Where it draws, from the OPTIONs: pictures and texts need no display; the
# rest runs on a virtual display, full screen when no place is given. The ticks come
# every --interval milliseconds when one is given, else every 500.
mode=""
interval=""
previous_arg=""
for arg in "$@"; do
  case "$previous_arg" in
    --interval | -interval) value=$arg ;;
    *) value="" ;;
  esac
  case "$arg" in
    --interval=* | -interval=*) value=${arg#*=} ;;
    --picture | -picture | --picture=* | -picture=* | --frames | -frames | --frames=* | -frames=* | \
      --help | -help | --version | -version) mode=${mode:-file} ;;
    --explore | -explore) [ "$mode" == file ] || mode=explore ;;
    --root | -root | --window-id | -window-id | --window-id=* | -window-id=* | --fullscreen | -fullscreen)
      mode=${mode:-placed} ;;
  esac
  [[ "$value" =~ ^[0-9]{1,5}$ ]] && interval=$((10#$value))
  previous_arg=$arg
done
if [ "$mode" == file ]; then
  (cd "$caller" && exec "$bin" "$@")
  exit
fi
added=()
[ -z "$mode" ] && added+=(--fullscreen)
[ -z "$interval" ] && [ "$mode" != explore ] && added+=(--interval 500)
interval=${interval:-500}

# shellcheck source=SCRIPTDIR/lib/display.sh
source "$root/tools/lib/display.sh"
# shellcheck source=SCRIPTDIR/lib/cycle.sh
source "$root/tools/lib/cycle.sh"
run="$root/out/native"
mkdir -p "$run"
start_xvfb "$run" || exit 1
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  stop_xvfb
}
trap cleanup EXIT
screens="$root/out/screens"
echo "run: dreieck ${added[*]}${added[*]:+ }$* on the virtual display $DISPLAY"
(cd "$caller" && exec "$bin" "${added[@]}" "$@") >"$run/dreieck.out" 2>"$run/dreieck.err" &
pid=$!

# ended_early: dreieck ended by itself before its cycle was photographed; its own
# message and exit code are the answer (2 for a command line it refuses).
ended_early() {
  wait "$pid"
  local rc=$?
  pid=""
  if [ "$rc" -eq 2 ]; then
    head -1 "$run/dreieck.err" >&2
  else
    cat "$run/dreieck.out"
    cat "$run/dreieck.err" >&2
    echo "run: dreieck ended by itself (exit code $rc) before a whole cycle was on the screen; out/screens is as it was" >&2
  fi
  exit "$rc"
}
# end_dreieck: dreieck ended with SIGTERM, and its exit code said.
end_dreieck() {
  kill -TERM "$pid"
  wait "$pid"
  echo "run: dreieck ended with exit code $? after SIGTERM"
  pid=""
}

# The first tick draws the triangle (tools/lib/cycle.sh); each tick after it is the
# display's next picture, and a cycle that missed one is taken again in the next.
if ! display_first_tick "$pid" "$interval" "$run/probe.ppm"; then
  alive "$pid" || ended_early
  echo "run: the triangle never appeared; see $run/dreieck.err"
  exit 1
fi
if [ "$mode" == explore ]; then
  # The explorer shows one picture until it is ended: that one, once the line of keys
  # at its top has gone.
  sleep 6.5
  alive "$pid" || ended_early
  timeout 20 import -window root "$run/explore.png" 2>>"$run/import.err" || { echo "run: no screenshot; see $run/import.err"; exit 1; }
  rm -rf "$screens" && mkdir -p "$screens" && mv "$run/explore.png" "$screens/" || exit 1
  end_dreieck
  echo "run: the explorer's window is in $screens/explore.png"
  exit 0
fi
# What each tick of the cycle shows, from dreieck --help and the options.
mapfile -t ticks < <(cycle_ticks "$bin" "$@")
if ! photograph_cycle "$screens" display_tick "${ticks[@]}"; then
  alive "$pid" || ended_early
  echo "run: out/screens is as it was" >&2
  exit 1
fi
end_dreieck
