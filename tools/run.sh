#!/usr/bin/env bash
# Builds Dreieck and runs it.
#
#   tools/run.sh [OPTION]...            the native Linux saver, build/host/dreieck
#   tools/run.sh --windows [LINE]       Dreieck.scr under Wine (tools/run-windows.sh)
#
# With a display (DISPLAY set) the saver opens its window there with the OPTIONs given
# (dreieck --help lists them; a mouse button, q or Escape ends it). Without a display it
# runs one whole cycle at the shortest interval (500 ms) on a virtual display of its own
# and writes a screenshot of every tick to out/screens/ (tick-00.png after the triangle,
# ... tick-10.png the erase with the caption).
#
# Installs what is missing first (tools/install-deps.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "${1:-}" == --windows ]; then
  shift
  exec tools/run-windows.sh "$@"
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
if ! cmake -S "$root" -B build/host >build/host.configure.log 2>&1; then
  # A library or its headers are missing: install them, then try once more.
  install_deps
  cmake -S "$root" -B build/host >build/host.configure.log 2>&1 || { cat build/host.configure.log; exit 1; }
fi
cmake --build build/host --target dreieck -j"$(nproc 2>/dev/null || echo 2)" || exit 1
bin="$root/build/host/dreieck"

if [ -n "${DISPLAY:-}" ]; then
  echo "run: dreieck $* on $DISPLAY (a mouse button, q or Escape ends it)"
  "$bin" "$@"
  echo "run: exit code $?"
  exit 0
fi

# No display: one cycle on a virtual display of our own, every tick photographed.
source "$root/tests/e2e/lib.sh"
run="$root/out/native"
mkdir -p "$run"
start_xvfb "$run" || exit 1
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  kill "$E2E_XVFB_PID" 2>/dev/null
}
trap cleanup EXIT
screens="$root/out/screens"
rm -rf "$screens"
mkdir -p "$screens"
echo "run: dreieck --fullscreen --interval 500 $* on the virtual display $DISPLAY"
"$bin" --fullscreen --interval 500 "$@" >"$run/dreieck.out" 2>"$run/dreieck.err" &
pid=$!

# The first tick draws the triangle; the next ones come every 500 ms from there, and
# each is photographed halfway to the one after it.
now_ms() { echo $(($(date +%s%N) / 1000000)); }
start=$(now_ms)
first=""
previous=$start
while [ $(($(now_ms) - start)) -lt 5000 ]; do
  probe=$(now_ms)
  import -window root "$run/probe.png" 2>/dev/null
  if [ "$(pixels "#FF0000" "$(histogram "$run/probe.png")")" -gt 0 ]; then
    # The tick came between the last probe without red and this one.
    first=$(((previous + probe) / 2))
    break
  fi
  previous=$probe
done
[ -n "$first" ] || { echo "run: the triangle never appeared; see $run/dreieck.err"; exit 1; }
# Step 0 comes with the first red pixels; the rest of the cycle follows, four ticks at
# the least and eleven when every construction is on.
for k in $(seq 0 10); do
  target=$((first + k * 500 + 250))
  while [ "$(now_ms)" -lt "$target" ]; do sleep 0.02; done
  import -window root "$screens/$(printf 'tick-%02d.png' "$k")" 2>>"$run/import.err"
done
kill -TERM "$pid"
wait "$pid"
echo "run: dreieck ended with exit code $? after SIGTERM"
echo "run: a whole cycle is in $screens: tick-00.png the triangle, tick-01..07.png the"
echo "     constructions, tick-08..09.png quiet, tick-10.png the erase with the caption"
