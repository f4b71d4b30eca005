#!/usr/bin/env bash
# dreieck drawing into a window it did not create, as XScreenSaver and other hosts have
# it do: --window-id (decimal, 0x-hex, --window-id=), $XSCREENSAVER_WINDOW (0x-hex or
# decimal, with white space around it or not) alone and with --root, and --root with --window-id as xscreensaver-settings'
# preview passes them. On its own Xvfb, into a window of the xwindow helper, it must
# draw the red triangle inside that window on the chosen background and nothing outside
# it, ignore mouse and keys, end with 0 at once on SIGTERM/SIGINT and when the window is
# destroyed (within a second at 5000 ms), run on when the window grows too large for an
# image of it, and end with 1 and one line on stderr for an id that names no window.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_XWINDOW (the helper; built with
# cc from tests/linux/xwindow.c when not given).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
linux_begin windowid compare xdotool
window_fd=""
# shellcheck disable=SC2317  # runs from the trap
cleanup() {
  [ -n "$window_fd" ] && exec {window_fd}>&-
  linux_cleanup
}
trap cleanup EXIT

xwindow=${DREIECK_XWINDOW:-}
if [ -z "$xwindow" ]; then
  xwindow=$run/xwindow
  cc -o "$xwindow" "$here/xwindow.c" -lX11 2>"$run/cc.err" || { cat "$run/cc.err"; echo "FAIL: cannot build xwindow"; exit 1; }
fi

# open_window GEOMETRY: a new helper window; its id in $window_id, geometry in $window_geometry.
open_window() {
  rm -f "$run/window.in" "$run/window.out"
  mkfifo "$run/window.in"
  "$xwindow" "$1" <"$run/window.in" >"$run/window.out" 2>"$run/window.err" &
  window_pid=$!
  pids+=("$window_pid")
  exec {window_fd}>"$run/window.in"
  local i
  for i in $(seq 1 50); do
    window_id=$(head -1 "$run/window.out" 2>/dev/null)
    if [ -n "$window_id" ]; then
      window_geometry=$1
      return 0
    fi
    sleep 0.1
  done
  cat "$run/window.err"
  return 1
}
close_window() {
  # In a subshell: were the helper gone, the broken pipe would end only that.
  (echo quit >&"$window_fd") 2>/dev/null
  exec {window_fd}>&-
  window_fd=""
  ended "$window_pid" 5 || kill -KILL "$window_pid"
}

# Pixel counts of the part of a screenshot inside and outside the window.
inside() { count "$1" "$2" "$window_geometry"; }
# outside_unchanged BEFORE AFTER: no pixel outside the window differs.
outside_unchanged() {
  local w h x y
  IFS='x+' read -r w h x y <<<"$window_geometry"
  local mask=(-fill black -draw "rectangle $x,$y $((x + w - 1)),$((y + h - 1))")
  convert "$1" "${mask[@]}" "$run/before-masked.png" && convert "$2" "${mask[@]}" "$run/after-masked.png" &&
    [ "$(compare -metric AE "$run/before-masked.png" "$run/after-masked.png" null: 2>&1)" == 0 ]
}
# wait_red NAME SECONDS: screenshots until the red triangle is in the window.
wait_red() {
  local i
  for ((i = 0; i < $2 * 4; i++)); do
    shot "$1"
    [ "$(inside '#FF0000' "$run/$1.png")" -ge 100 ] && return 0
    sleep 0.25
  done
  return 1
}

geometry=400x300+200+150
log "drawing into a window of ours"
# name | how the window is named | background (option and its colour) | stopping signal
cases=(
  "decimal|--window-id DEC|grey|#808080|TERM"
  "hex|--window-id HEX|dark-grey|#404040|TERM"
  "equals|--window-id=HEX|white|#FFFFFF|INT"
  "env|XSCREENSAVER_WINDOW=HEX|light-grey|#C0C0C0|TERM"
  "env-decimal|XSCREENSAVER_WINDOW=DEC|white|#FFFFFF|TERM"
  "env-root|XSCREENSAVER_WINDOW=HEX --root|black|#000000|INT"
  # xscreensaver-settings runs its preview so: the mode's --root, then --window-id.
  "preview|XSCREENSAVER_WINDOW=HEX --root --window-id HEX|grey|#808080|TERM"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name how shade colour signal <<<"$row"
  open_window "$geometry" || { fail "$name: the helper window did not appear"; continue; }
  shot "$name-before"
  how=${how//HEX/$window_id}
  how=${how//DEC/$((window_id))}
  env=() args=()
  for word in $how; do
    case $word in
      XSCREENSAVER_WINDOW=*) env+=("$word") ;;
      *) args+=("$word") ;;
    esac
  done
  start "$name" "${env[@]}" -- "${args[@]}" --interval 500 --background "$shade"
  if wait_red "$name" 6; then
    expect_eq "$name: window's dominant colour is the $shade background" "$colour" \
      "$(histogram "$run/$name.png" "$window_geometry" | sort -rn | awk 'NR == 1 { print $2 }')"
    if outside_unchanged "$run/$name-before.png" "$run/$name.png"; then
      pass "$name: nothing drawn outside the window"
    else
      fail "$name: pixels outside the window changed"
    fi
  else
    fail "$name: no red triangle in the window within 6 s"
  fi
  if [ "$name" == hex ]; then
    # Mouse and keys in the window never end it here.
    xdotool mousemove 400 300 click 1 click 3 key q key Escape 2>>"$run/xdotool.err"
    sleep 1
    if alive "$dreieck_pid"; then pass "$name: input does not end it"; else fail "$name: input ended it"; fi
  fi
  kill "-$signal" "$dreieck_pid" 2>/dev/null
  if ended "$dreieck_pid" 1; then
    expect_eq "$name: SIG$signal exit code" 0 "$ended_rc"
    expect_eq "$name: stderr" "" "$(cat "$run/$name.err")"
  else
    fail "$name: still running 1 s after SIG$signal"
  fi
  close_window
done

log "XSCREENSAVER_WINDOW with white space around the id, as vroot.h reads it (sscanf)"
for written in " HEX" "DEC " $'\tHEX\n' $' \v0xHEX\r\n'; do
  open_window "$geometry" || { fail "blanks: the helper window did not appear"; continue; }
  value=${written//0xHEX/$window_id}
  value=${value//HEX/$window_id}
  value=${value//DEC/$((window_id))}
  shown=$(printf '%q' "$value")
  start blanks XSCREENSAVER_WINDOW="$value" -- --interval 500
  wait_red blanks 6 && pass "XSCREENSAVER_WINDOW=$shown: drawn into the window" ||
    fail "XSCREENSAVER_WINDOW=$shown: no red triangle in the window within 6 s: $(cat "$run/blanks.err")"
  kill -TERM "$dreieck_pid"
  ended "$dreieck_pid" 3 && expect_eq "XSCREENSAVER_WINDOW=$shown: SIGTERM exit code" 0 "$ended_rc"
  close_window
done

log "SIGTERM between two ticks"
open_window "$geometry" || fail "between-ticks: the helper window did not appear"
start between-ticks -- --window-id "$window_id" --interval 5000
sleep 1.5
kill -TERM "$dreieck_pid"
if ended "$dreieck_pid" 1; then
  expect_eq "between-ticks: exit code" 0 "$ended_rc"
  log "between-ticks: ended within $((ended_tenths * 100 + 100)) ms"
else
  fail "between-ticks: still running 1 s after SIGTERM (interval 5000)"
fi
close_window

log "the window destroyed under it, between two ticks"
open_window "$geometry" || fail "destroyed: the helper window did not appear"
start destroyed -- --window-id "$window_id" --interval 5000
wait_red destroyed 8 || fail "destroyed: no red triangle in the window within 8 s"
(echo destroy >&"$window_fd") 2>/dev/null
if ended "$dreieck_pid" 1; then
  expect_eq "destroyed: exit code" 0 "$ended_rc"
  expect_eq "destroyed: stderr" "" "$(cat "$run/destroyed.err")"
else
  fail "destroyed: still running 1 s after its window was destroyed (interval 5000)"
fi
expect_eq "destroyed: the helper destroyed its window" "destroyed" "$(sed -n 2p "$run/window.out")"
close_window

log "a window too large for its image"
open_window "$geometry" || fail "too-large: the helper window did not appear"
# Without shared memory: the image goes to the server through the connection.
start too-large DISPLAY="unix$DISPLAY" -- --window-id "$window_id" --interval 500 "${triangle_only[@]}"
wait_red too-large 6 || fail "too-large: no red triangle in the window within 6 s"
if outgrow too-large "$window_id" 40000x50 "wider or taller than 32767 pixels" "$geometry"; then
  kill -TERM "$dreieck_pid"
  ended "$dreieck_pid" 3 && expect_eq "too-large: SIGTERM exit code" 0 "$ended_rc"
fi
close_window

log "ids that name no window, and ids that are no ids"
# name | environment | arguments | exit code | lines on stderr (0: at least two, the usage)
bad=(
  "hex-nowindow||--window-id 0x7fffff00|1|1"
  "decimal-nowindow||--window-id 12345|1|1"
  "env-nowindow|XSCREENSAVER_WINDOW=0x7fffff00||1|1"
  "env-root-nowindow|XSCREENSAVER_WINDOW=0x7fffff00|--root|1|1"
  "not-hex||--window-id 0xZZ|2|0"
  "zero||--window-id 0|2|0"
  "over-32-bits||--window-id 0x100000000|2|0"
  "no-value||--window-id|2|0"
)
for row in "${bad[@]}"; do
  IFS='|' read -r name envvar args code lines <<<"$row"
  env=()
  [ -n "$envvar" ] && env=("$envvar")
  # shellcheck disable=SC2086  # the arguments are words
  start "$name" "${env[@]}" -- $args
  if ended "$dreieck_pid" 5; then
    expect_eq "$name: exit code" "$code" "$ended_rc"
    n=$(wc -l <"$run/$name.err")
    if [ "$lines" -eq 0 ]; then
      if [ "$n" -ge 2 ]; then pass "$name: problem and usage on stderr"; else fail "$name: $n lines on stderr"; fi
    else
      expect_eq "$name: lines on stderr" "$lines" "$n"
    fi
    expect_eq "$name: stdout" "" "$(cat "$run/$name.out")"
  else
    fail "$name: still running after 5 s"
  fi
done

checks_end
