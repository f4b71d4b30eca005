# shellcheck shell=bash
# Shared pieces of the tests of the Linux program beyond the checks, the run folder and
# the virtual display of every test (tests/lib/checks.sh): the program started in the
# background, waiting for it to end, and the helper programs. Everything a test starts
# is ended by its cleanup.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$here/../lib/checks.sh"
# shellcheck source=SCRIPTDIR/../../tools/lib/wayland.sh
source "$here/../../tools/lib/wayland.sh"

bin=${DREIECK_BIN:-$top/build/host/dreieck}
pids=()  # every process this test started and has not reaped yet

# linux_begin NAME PROGRAM...: the program, the programs the test needs, a run folder, a
# display.
linux_begin() {
  local name=$1
  shift
  [ -x "$bin" ] || { echo "FAIL: no program at $bin (set DREIECK_BIN)"; exit 1; }
  need_tools Xvfb import convert "$@"
  unset XSCREENSAVER_WINDOW
  new_run "$name"
  trap linux_cleanup EXIT
  start_xvfb "$run" || exit 1
  export HOME=$run/home
  mkdir -p "$HOME"
}

# wayland_begin NAME RESOLUTION PROGRAM...: the program, the programs the test needs,
# a run folder, and sway headless (tools/lib/wayland.sh) with its first output at
# RESOLUTION, as WAYLAND_DISPLAY; the seat's pointer and keyboard (wl_input_start).
wayland_begin() {
  local name=$1 resolution=$2
  shift 2
  [ -x "$bin" ] || { echo "FAIL: no program at $bin (set DREIECK_BIN)"; exit 1; }
  need_tools sway swaymsg grim wtype convert compare "$@"
  unset XSCREENSAVER_WINDOW
  new_run "$name"
  chmod 755 "$run"  # sway's user reaches its folder through it
  trap wayland_cleanup EXIT
  export HOME=$run/home
  mkdir -p "$HOME"
  sway_start "$run/sway" "$resolution" || exit 1
  log "sway $sway_pid on $WAYLAND_DISPLAY${sway_user:+ as $sway_user}"
  wl_input_start "$(helper wlpointer)" || { echo "FAIL: the seat has no pointer and keyboard"; exit 1; }
}

# shellcheck disable=SC2317  # runs from the trap
wayland_cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  sway_stop
  weston_stop
  tidy_run
}

# shellcheck disable=SC2317  # runs from the trap
linux_cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  stop_xvfb
  tidy_run
}

forget() {  # forget PID: no longer ours to clean up
  local kept=() pid
  for pid in "${pids[@]}"; do [ "$pid" == "$1" ] || kept+=("$pid"); done
  pids=("${kept[@]}")
}
# ended PID SECONDS: wait_end (tools/lib/process.sh: the exit code in $ended_rc, how
# long it took in $ended_tenths), and the process is no longer ours to clean up.
ended() { wait_end "$1" "$2" && forget "$1"; }
# stops NAME [SECONDS]: the program (dreieck_pid) ended within SECONDS (3) with 0 and
# said nothing on stderr ($run/NAME.err).
stops() {
  if ended "$dreieck_pid" "${2:-3}"; then
    expect_eq "$1: exit code" 0 "$ended_rc"
    expect_eq "$1: nothing on stderr" "" "$(cat "$run/$1.err")"
  else
    fail "$1: still running ${2:-3} s later"
    kill -KILL "$dreieck_pid" 2>/dev/null
  fi
}

# start NAME [VAR=VALUE...] -- ARGS...: dreieck in the background; pid in $dreieck_pid,
# output in RUN/NAME.out and RUN/NAME.err.
start() {
  local name=$1 env=()
  shift
  while [ "$1" != -- ]; do env+=("$1"); shift; done
  shift
  # A background job of a script starts with SIGINT ignored; the program gets it as a
  # terminal would send it.
  (trap - INT QUIT; exec env "${env[@]}" "$bin" "$@") >"$run/$name.out" 2>"$run/$name.err" &
  dreieck_pid=$!
  pids+=("$dreieck_pid")
}

# helper NAME: the path of the test helper NAME (tests/linux/NAME.c): $DREIECK_NAME as
# the build made it, or else built into the run folder (notmpfile as a library to
# preload).
helper() {
  local made=DREIECK_${1^^} out=$run/$1 flags=()
  if [ -n "${!made:-}" ]; then echo "${!made}"; return 0; fi
  if [ "$1" == wlpointer ]; then
    # Its client code comes from the protocol file, through wayland-scanner.
    local xml=$here/protocols/wlr-virtual-pointer-unstable-v1.xml
    wayland-scanner client-header "$xml" "$run/wlr-virtual-pointer-unstable-v1-client-protocol.h" &&
      wayland-scanner private-code "$xml" "$run/wlpointer-protocol.c" &&
      cc -I"$run" -o "$out" "$here/wlpointer.c" "$run/wlpointer-protocol.c" -lwayland-client 2>"$run/cc-$1.err" &&
      echo "$out" && return 0
    echo "FAIL: cannot build $1: $(head -1 "$run/cc-$1.err" 2>/dev/null)" >&2
    exit 1
  fi
  [ "$1" == notmpfile ] && out=$run/$1.so flags=(-shared -fPIC)
  cc "${flags[@]}" -o "$out" "$here/$1.c" -lXfixes -lXext -lX11 2>"$run/cc-$1.err" && echo "$out" && return 0
  echo "FAIL: cannot build $1: $(head -1 "$run/cc-$1.err")" >&2
  exit 1
}
# snap NAME: the whole display as RUN/NAME.ppm, read through shared memory in a few
# milliseconds (`shot` takes a good part of a second).
snap() {
  mkdir -p "$run/snap" && rm -f "$run/snap/000.ppm"
  "$xgrab" root "$run/snap" 0.001 >/dev/null && mv "$run/snap/000.ppm" "$run/$1.ppm"
}
# shm_segments PID: how many shared memory segments the process made are there.
shm_segments() { ipcs -m -p | awk -v pid="$1" '$3 == pid' | wc -l; }
no_shm_segments() { [ "$(shm_segments "$1")" -eq 0 ]; }

# shellcheck source=SCRIPTDIR/../../tools/lib/cycle.sh
source "$top/tools/lib/cycle.sh"
# Every construction off: four ticks a cycle, a new red triangle every other second at 500 ms.
triangle_only=()
[ -x "$bin" ] && mapfile -t triangle_only < <(every_construction_off "$bin")

# outgrow NAME WID SIZE REASON GEOMETRY: the window WID of the running dreieck (started
# as NAME, with every construction off) grows to SIZE, too large for an image of it,
# and then a little more: the program runs on, says so in one line naming REASON (once,
# not at each resize) and draws nothing; shrunk back to GEOMETRY (WxH+X+Y) it draws its
# red triangle there again. False when it ended.
outgrow() {
  local name=$1 wid=$2 size=$3 reason=$4 geometry=$5 w h i
  xdotool windowsize --sync "$wid" "${size%x*}" "${size#*x}" 2>>"$run/xdotool.err"
  sleep 0.6  # a tick
  xdotool windowsize --sync "$wid" "${size%x*}" $((${size#*x} + 10)) 2>>"$run/xdotool.err"
  sleep 1.2  # two ticks
  if ! alive "$dreieck_pid"; then
    ended "$dreieck_pid" 1
    fail "$name: ended with $ended_rc when its window grew to $size"
    return 1
  fi
  expect_eq "$name: one line on stderr" \
    "dreieck: cannot make a $size image of the window ($reason); nothing is drawn until the window is smaller" \
    "$(cat "$run/$name.err")"
  IFS='x+' read -r w h _ <<<"$geometry"
  xdotool windowsize --sync "$wid" "$w" "$h" 2>>"$run/xdotool.err"
  for ((i = 0; i < 20; i++)); do
    shot "$name-again"
    [ "$(count '#FF0000' "$run/$name-again.png" "$geometry")" -ge 20 ] && break
    sleep 0.2
  done
  [ "$i" -lt 20 ] && pass "$name: draws again at ${w}x$h" || fail "$name: no red triangle at ${w}x$h within 4 s"
  return 0
}
