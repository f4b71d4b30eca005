#!/usr/bin/env bash
# dreieck --saver on a real Wayland compositor (sway headless) with two outputs,
# HEADLESS-1 at 800x600 and HEADLESS-2 at 640x480 and scale 2 (320x240 in the layout):
# at a frozen second every output shows, tick by tick, the cycle `dreieck --frames`
# draws at its own device size, every pixel of it, on a surface of its own on the
# overlay layer (the pointer hidden over it); an output added while it runs is covered,
# its first tick that of its size; one disabled is dropped (its surface destroyed) and
# the others run on, and enabled again it is covered anew. It ends with 0 and nothing on
# stderr at a key, a button, a large movement of the pointer, SIGTERM and SIGHUP, but not
# at a movement of 1 pixel; the compositor killed, with 1 and one line. On weston, which
# has no layer shell, the output is covered by a full-screen window instead.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_WLPOINTER (the helper; built
# with cc when not given), DREIECK_SANITIZE (1: no frozen clock, libfaketime does not
# start under the sanitizers).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=SCRIPTDIR/../../tools/lib/cycle.sh
source "$top/tools/lib/cycle.sh"
wayland_begin wayland-saver 800x600 faketime weston
sway_new_output && sway_output "$new_output" resolution 640x480 scale 2 || { fail "no second output"; checks_end; }
second=$new_output
pointer_to 100 100
when="2021-03-04 05:07:54"

# grab_loop OUTPUT DIR SECONDS: screenshots of the output as fast as they come, for
# SECONDS, as DIR/NNNN.ppm.
grab_loop() {
  local i=0 end=$(($(now_ms) + $3 * 1000))
  mkdir -p "$2"
  while [ "$(now_ms)" -lt "$end" ]; do
    timeout 20 grim -t ppm -o "$1" "$(printf '%s/%04d.ppm' "$2" "$i")" 2>/dev/null && i=$((i + 1))
  done
}
# shows_red OUTPUT FILE: the output shows the triangle's red.
shows_red() { wl_shot "$1" "$2" && [ "$(count '#FF0000' "$2")" -gt 20 ]; }
# start_frozen NAME ARGS...: dreieck with the clock standing at $when.
start_frozen() {
  local name=$1 lib=(/usr/lib/*/faketime/libfaketime.so.1)
  shift
  start "$name" TZ=UTC LD_PRELOAD="${lib[0]}" FAKETIME="$when" DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 -- "$@"
}

if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
  log "the ticks: skipped under the sanitizers (libfaketime and their runtime do not mix)"
else
  log "every tick on both outputs, as --frames draws it at the output's device size"
  for size in 800x600 640x480; do
    mkdir -p "$run/frames-$size"
    "$bin" --frames "$run/frames-$size" --size "$size" --time "$when" >/dev/null || fail "--frames $size failed"
    distinct_frames "$run/frames-$size" >"$run/frames-$size.list"
  done
  start_frozen ticks --saver --interval 500
  # From the start on: the first cycle's triangle is drawn on empty surfaces, as
  # --frames draws it (the next ones over the caption). A whole cycle is 11 ticks
  # (5.5 s); the grabs go on a little longer.
  grab_loop HEADLESS-1 "$run/grabs-1" 8 &
  g1=$!
  grab_loop "$second" "$run/grabs-2" 8 &
  g2=$!
  wait "$g1" "$g2"
  # A grab before the program's first tick may show the erased screen, one taken as a
  # tick drew a part of its picture: the frames must come in order, each one.
  for row in "HEADLESS-1|800x600|grabs-1" "$second|640x480|grabs-2"; do
    IFS='|' read -r output size grabs <<<"$row"
    n=$(wc -l <"$run/frames-$size.list")
    # From the grab of the first tick's picture on (the program may be past it already).
    first=""
    for g in "$run/$grabs"/*.ppm; do
      cmp -s "$g" "$(head -1 "$run/frames-$size.list")" && { first=$g; break; }
    done
    if [ -z "$first" ]; then
      fail "$output: no grab shows the first tick of a cycle"
      continue
    fi
    mapfile -t later < <(ls "$run/$grabs"/*.ppm | awk -v f="$first" '$0 >= f')
    result=$(shown_in_order "$run/frames-$size.list" "${later[@]}")
    expect_eq "$output ($size): every one of the $n pictures of a cycle, in order" "$n" "$result"
  done
  kill -TERM "$dreieck_pid"
  stops ticks
fi

log "an output added while it runs is covered: its first tick is that of its size"
if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
  start added -- --saver --interval 500
else
  mkdir -p "$run/frames-400x300"
  "$bin" --frames "$run/frames-400x300" --size 400x300 --time "$when" >/dev/null
  convert "$run/frames-400x300/tick-00.png" -depth 8 "$run/added-expected.ppm"
  start_frozen added --saver --interval 500
fi
wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/added-before.png" || fail "added: no triangle on HEADLESS-1"
if sway_new_output && sway_output "$new_output" resolution 400x300; then
  added=$new_output
  if wait_until 10 "$dreieck_pid" shows_red "$added" "$run/added.png"; then
    pass "added: $added shows a triangle"
    if [ "${DREIECK_SANITIZE:-0}" != 1 ]; then
      # The first tick of its own cycle, caught before the next one (half a second on).
      timeout 20 grim -t ppm -o "$added" "$run/added.ppm"
      expect_eq "added: its first tick, at 400x300" 0 \
        "$(compare -metric AE "$run/added.ppm" "$run/added-expected.ppm" null: 2>&1)"
    fi
  else
    fail "added: $added shows no triangle within 10 s"
  fi
else
  fail "added: no new output"
fi
kill -TERM "$dreieck_pid"
stops added

log "an output disabled while it runs: the others run on; enabled again, it draws again"
# sway 1.7 keeps a disabled output's wl_output and its surfaces (it cannot take an
# output away, it has no unplug): the program's dropping of an output that goes is
# pinned on the recording backend (tests/driver_test.cpp, Screens).
start disabled -- --saver --interval 500
wait_until 10 "$dreieck_pid" shows_red "$added" "$run/disabled-before.png" || fail "disabled: no triangle on $added"
sway_output "$added" disable
wl_shot HEADLESS-1 "$run/disabled-1a.png"
changed() { wl_shot HEADLESS-1 "$run/disabled-1b.png" && ! cmp -s "$run/disabled-1a.png" "$run/disabled-1b.png"; }
wait_until 5 "$dreieck_pid" changed && pass "disabled: HEADLESS-1 ticks on" || fail "disabled: HEADLESS-1 stands still"
sway_output "$added" enable
# Its next erase leaves no red: after that, red again.
erased() { wl_shot "$added" "$run/disabled-erased.png" && [ "$(count '#FF0000' "$run/disabled-erased.png")" -eq 0 ]; }
wait_until 10 "$dreieck_pid" erased && wait_until 10 "$dreieck_pid" shows_red "$added" "$run/disabled-again.png" &&
  pass "disabled: $added enabled again draws its next cycle" || fail "disabled: $added draws nothing after it came back"
kill -TERM "$dreieck_pid"
stops disabled

log "the ways it ends, and a movement of 1 pixel that does not end it"
# name | what ends it
endings=(
  "key|key x"
  "key-after-replug|replugged_key x"
  "escape|key Escape"
  "button|pointer_press button1"
  "right-button|pointer_press button3"
  "movement|pointer_to 300 300"
  "movement-after-replug|replugged_movement"
  "movement-on-scale-2|pointer_to 906 100"
  "sigterm|kill -TERM PID"
  "sighup|kill -HUP PID"
)
# replugged_key KEY: the seat's keyboard goes and comes back (a keyboard unplugged and
# plugged in again), then KEY.
replugged_key() {
  stop_pid "$wl_keyboard_pid" 1
  wait_until 5 "" no_keyboard || fail "the keyboard did not go"
  wtype -s 3600000 "" >/dev/null 2>&1 &
  wl_keyboard_pid=$!
  wait_until 5 "" seat_has keyboard || fail "the keyboard did not come back"
  key "$1"
}
no_keyboard() { ! seat_has keyboard; }
# replugged_movement: the seat's pointer goes and comes back (where the pointer was),
# then a movement.
replugged_movement() {
  wl_pointer_replug || fail "the pointer did not go and come back"
  pointer_to 100 100
  pointer_to 300 300
}
for row in "${endings[@]}"; do
  IFS='|' read -r name how <<<"$row"
  pointer_release button1
  pointer_release button3
  # The pointer where it was is where the movements are counted from.
  [ "$name" == movement-on-scale-2 ] && pointer_to 900 100 || pointer_to 100 100
  start "$name" -- --saver --interval 500
  wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/$name.png" || { fail "$name: no triangle"; continue; }
  if [ "$name" == movement ]; then
    pointer_to 101 100
    pointer_to 100 101
    sleep 1  # nothing to wait for: it must not end
    alive "$dreieck_pid" && pass "a movement of 1 pixel does not end it" || fail "a movement of 1 pixel ended it"
  fi
  if [ "$name" == movement-on-scale-2 ]; then
    # 4 pixels of the layout are 8 device pixels there: not beyond the slack; 6 are 12.
    pointer_to 904 100
    sleep 1
    alive "$dreieck_pid" && pass "4 layout pixels (8 device pixels) at scale 2 do not end it" ||
      fail "4 layout pixels at scale 2 ended it"
  fi
  how=${how//PID/$dreieck_pid}
  $how
  stops "$name"
done
pointer_release button1
pointer_release button3

log "the compositor killed"
pointer_to 100 100
start lost -- --saver --interval 500
wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/lost.png" || fail "lost: no triangle"
display=$WAYLAND_DISPLAY
sway_kill
if ended "$dreieck_pid" 5; then
  expect_eq "lost: exit code" 1 "$ended_rc"
  expect_eq "lost: one line" "dreieck: lost the connection to the display '$display'" "$(cat "$run/lost.err")"
else
  fail "lost: still running 5 s after the compositor's end"
fi

log "a compositor without the layer shell (weston): a full-screen window on its output"
sway_stop
if weston_start "$run/weston" 1024x768; then
  start weston WAYLAND_DEBUG=client -- --saver --interval 500
  # fullscreen_on: the program's toplevel asks for full screen on the output, and a
  # tick after the first paint has come in a buffer of the output's size.
  fullscreen_on() {
    grep -qE 'xdg_toplevel@[0-9]+\.set_fullscreen\(wl_output@[0-9]+\)' "$run/weston.err" &&
      grep -qE 'create_buffer\(new id wl_buffer@[0-9]+, [0-9]+, 1024, 768, 4096, 1\)' "$run/weston.err" &&
      [ "$(grep -cE 'wl_surface@[0-9]+\.commit\(\)' "$run/weston.err")" -ge 3 ]
  }
  wait_until 10 "$dreieck_pid" fullscreen_on && pass "weston: a full-screen toplevel on the output, 1024x768 buffers" ||
    fail "weston: no full-screen toplevel with buffers of 1024x768"
  expect_eq "weston: no layer surface" 0 "$(grep -c get_layer_surface "$run/weston.err")"
  kill -TERM "$dreieck_pid"
  ended "$dreieck_pid" 3 && expect_eq "weston: SIGTERM exit code" 0 "$ended_rc"
  # A window whose size the compositor leaves to it (weston floats its windows): 800x600.
  start weston-window WAYLAND_DEBUG=client -- --interval 500
  own_size() { grep -qE 'create_buffer\(new id wl_buffer@[0-9]+, [0-9]+, 800, 600, 3200, 1\)' "$run/weston-window.err"; }
  wait_until 10 "$dreieck_pid" own_size && pass "weston: a window of its own is 800x600" ||
    fail "weston: the window's buffers are not 800x600"
  kill -TERM "$dreieck_pid"
  ended "$dreieck_pid" 3 && expect_eq "weston: the window's SIGTERM exit code" 0 "$ended_rc"
  weston_stop
else
  fail "weston did not start"
fi

checks_end
