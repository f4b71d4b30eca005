# shellcheck shell=bash
# What the tests with scalecomp, the tests' own compositor (scalecomp.c), share beyond
# the checks and the run folder (tests/lib/checks.sh): a runtime folder of the test's
# own, scalecomp started on a socket there and waited for, and the cleanup of every
# process a test started.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$here/../lib/checks.sh"

scalecomp=${DREIECK_SCALECOMP:-$top/build/host/tests/wayland/scalecomp}
pids=()  # every process this test started and has not reaped yet

# wayland_begin NAME PROGRAM...: the compositor, the programs the test needs, a run
# folder with XDG_RUNTIME_DIR in it (mode 0700, as clients expect it), and no display
# of the desktop the test was started from.
wayland_begin() {
  local name=$1
  shift
  [ -x "$scalecomp" ] || { echo "FAIL: no compositor at $scalecomp (set DREIECK_SCALECOMP)"; exit 1; }
  need_tools "$@"
  new_run "$name"
  trap wayland_cleanup EXIT
  export XDG_RUNTIME_DIR=$run/runtime
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  unset WAYLAND_DISPLAY DISPLAY WAYLAND_SOCKET
}
# shellcheck disable=SC2317  # runs from the trap
wayland_cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  tidy_run
}

# serve NAME WxH SCALE [--shots DIR]: scalecomp on the socket NAME, its output in
# RUN/NAME.out and RUN/NAME.err, its pid in $comp_pid; WAYLAND_DISPLAY names it. False
# when its socket did not take clients within 5 s (it says so in its first line).
serve() {
  local name=$1
  shift
  rm -f "$run/$name.out"  # a line of an earlier one is not this one's
  "$scalecomp" "$name" "$@" >"$run/$name.out" 2>"$run/$name.err" &
  comp_pid=$!
  pids+=("$comp_pid")
  export WAYLAND_DISPLAY=$name
  wait_until 5 "$comp_pid" grep -q "^scalecomp: $name at " "$run/$name.out"
}
# served SECONDS: scalecomp ended within SECONDS, its exit code in $served_rc (and
# it is no longer the test's to clean up); false when it still runs.
served() {
  wait_end "$comp_pid" "$1" || return 1
  # shellcheck disable=SC2034  # for the caller
  served_rc=$ended_rc
  local kept=() pid
  for pid in "${pids[@]}"; do [ "$pid" == "$comp_pid" ] || kept+=("$pid"); done
  pids=("${kept[@]}")
}
