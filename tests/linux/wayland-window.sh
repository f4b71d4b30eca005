#!/usr/bin/env bash
# dreieck in a window of its own and --fullscreen on a real Wayland compositor (sway
# headless, windows without borders, so that a window alone fills its output): the
# window's title and app id; at a frozen second every tick of a cycle, as `dreieck
# --frames` draws it at the output's device size, in a window at scale 1 and full
# screen on an output at scale 2; a resize that keeps the picture so far; a new scale
# and size taken at the next tick (the next cycle's triangle that of the new device
# size); the ways it ends (q, Escape, a button, the compositor's close: 0 and nothing on
# stderr; the compositor killed: 1 and one line).
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_WLPOINTER (the helper; built
# with cc when not given), DREIECK_APP_ID (the desktop entry's name; default
# org.example.dreieck), DREIECK_SANITIZE (1: no frozen clock; of the process's mappings
# only its shared memory counts).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=SCRIPTDIR/../../tools/lib/cycle.sh
source "$top/tools/lib/cycle.sh"
wayland_begin wayland-window 800x600 faketime
sway_new_output && sway_output "$new_output" resolution 640x480 scale 2 || { fail "no second output"; checks_end; }
second=$new_output
swaymsg focus output HEADLESS-1 >/dev/null
# The pointer shows in screenshots: it waits on the other output, away from the window.
pointer_to 1000 200
when="2021-03-04 05:07:54"
frozen=()
if [ "${DREIECK_SANITIZE:-0}" != 1 ]; then
  lib=(/usr/lib/*/faketime/libfaketime.so.1)
  frozen=(TZ=UTC LD_PRELOAD="${lib[0]}" FAKETIME="$when" DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1)
fi

shows_red() { wl_shot "$1" "$2" && [ "$(count '#FF0000' "$2")" -gt 20 ]; }
window_there() { [ -n "$(sway_window app_id)" ]; }
# frames SIZE: --frames of SIZE at $when into RUN/frames-SIZE, and their list.
frames() {
  [ -f "$run/frames-$1.list" ] && return 0
  mkdir -p "$run/frames-$1"
  "$bin" --frames "$run/frames-$1" --size "$1" --time "$when" >/dev/null || fail "--frames $1 failed"
  distinct_frames "$run/frames-$1" >"$run/frames-$1.list"
}
# every_tick NAME OUTPUT SIZE: screenshots of the output from the program's start on
# (the first cycle's triangle is drawn on an empty window, as --frames draws it; the
# next ones over the caption) show every picture of the cycle at SIZE in order.
every_tick() {
  local name=$1 output=$2 size=$3 end i=0 first="" g
  frames "$size"
  mkdir -p "$run/$name-grabs"
  end=$(($(now_ms) + 8000))
  while [ "$(now_ms)" -lt "$end" ]; do
    timeout 20 grim -t ppm -o "$output" "$(printf '%s/%04d.ppm' "$run/$name-grabs" "$i")" 2>/dev/null && i=$((i + 1))
  done
  for g in "$run/$name-grabs"/*.ppm; do
    cmp -s "$g" "$(head -1 "$run/frames-$size.list")" && { first=$g; break; }
  done
  [ -n "$first" ] || { fail "$name: no screenshot shows the first tick of a cycle at $size"; return; }
  mapfile -t later < <(ls "$run/$name-grabs"/*.ppm | awk -v f="$first" '$0 >= f')
  expect_eq "$name: every picture of a cycle at $size, in order" "$(wc -l <"$run/frames-$size.list")" \
    "$(shown_in_order "$run/frames-$size.list" "${later[@]}")"
}

log "a window of its own: title, app id, every tick"
start window "${frozen[@]}" -- --interval 500
[ "${DREIECK_SANITIZE:-0}" == 1 ] || every_tick window HEADLESS-1 800x600
if wait_until 10 "$dreieck_pid" window_there; then
  expect_eq "its title" "Dreieck" "$(sway_window name)"
  expect_eq "its app id, the desktop entry's name" "${DREIECK_APP_ID:-org.example.dreieck}" "$(sway_window app_id)"
  wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/window-first.png" || fail "window: no triangle"
else
  fail "no window"
fi

log "a resize keeps the picture, a new scale and size are taken at the next tick"
# The output becomes 640x480 at scale 2: the window 320x240 in the layout, 640x480
# device pixels. At once the image keeps the picture's top left; the next erase covers
# the 640x480 device pixels and writes the caption at their bottom, as --frames does.
wl_shot HEADLESS-1 "$run/resize-before.png"
sway_output HEADLESS-1 resolution 640x480 scale 2
kept() {
  wl_shot HEADLESS-1 "$run/resize-after.png" && [ "$(identify -format %wx%h "$run/resize-after.png")" == 640x480 ] &&
    [ "$(count '#FF0000' "$run/resize-after.png")" -gt 20 ]
}
wait_until 5 "$dreieck_pid" kept && pass "resized: 640x480 device pixels, the picture so far shown" ||
  fail "resized: no picture at 640x480"
if [ "${DREIECK_SANITIZE:-0}" != 1 ]; then
  frames 640x480
  convert "$run/frames-640x480/tick-10.png" -depth 8 "$run/resize-expected.ppm"
  next_erase() {
    timeout 20 grim -t ppm -o HEADLESS-1 "$run/resize-next.ppm" && cmp -s "$run/resize-next.ppm" "$run/resize-expected.ppm"
  }
  wait_until 10 "$dreieck_pid" next_erase && pass "rescaled: the next erase is that of 640x480" ||
    fail "rescaled: no erase of 640x480 within 10 s"
  # The width alone changes: the window follows that too.
  sway_output HEADLESS-1 resolution 800x480 scale 2
  frames 800x480
  convert "$run/frames-800x480/tick-10.png" -depth 8 "$run/resize-expected.ppm"
  wait_until 10 "$dreieck_pid" next_erase && pass "the width alone: the next erase is that of 800x480" ||
    fail "the width alone: no erase of 800x480 within 10 s"
fi
kill -TERM "$dreieck_pid"
stops window
sway_output HEADLESS-1 resolution 800x600 scale 1

log "what resizes and keymaps take is given back"
# The window's output changes its size ten times, and ten keys come each from a
# keyboard of its own (wtype: a keymap each time): the process keeps as many mappings
# as after the first of them (each image is one, each buffer pair and keymap too), and
# each resize destroys the buffers it replaced.
start memory WAYLAND_DEBUG=client -- --interval 500
# size_is WxH: the output's screenshot has that size and shows the picture.
size_is() { wl_shot HEADLESS-1 "$run/memory.png" && [ "$(identify -format %wx%h "$run/memory.png")" == "$1" ]; }
# Under the sanitizers, whose allocator maps regions of its own as it goes, only the
# shared memory counts: the buffers' pools and the keymaps, of which the last wtype's
# may have gone already (their runtime slows the process down): fewer is as good.
if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
  mappings() {
    local now
    now=$(grep -cE '/memfd:|\(deleted\)$' "/proc/$dreieck_pid/maps")
    echo $((now < ${before:-0} ? before : now))
  }
else
  mappings() { wc -l <"/proc/$dreieck_pid/maps"; }
fi
round() {
  sway_output HEADLESS-1 resolution 640x480 && wait_until 5 "$dreieck_pid" size_is 640x480 &&
    sway_output HEADLESS-1 resolution 800x600 && wait_until 5 "$dreieck_pid" size_is 800x600 && key a
}
if wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/memory-first.png" && round; then
  before=$(mappings)
  destroyed0=$(grep -cE -- '-> wl_buffer@[0-9]+\.destroy\(\)' "$run/memory.err")
  for i in 1 2 3 4 5; do round || fail "memory: round $i did not come through"; done
  expect_eq "memory: mappings after ten resizes and five keymaps" "$before" "$(mappings)"
  destroyed=$(($(grep -cE -- '-> wl_buffer@[0-9]+\.destroy\(\)' "$run/memory.err") - destroyed0))
  expect_eq "memory: the buffers of ten sizes destroyed, two each" 20 "$destroyed"
  # A commit tells the compositor the pieces a tick drew on, not only the box around
  # them (a box for them beyond 64).
  most=$(awk '/-> wl_surface@[0-9]+\.damage_buffer/ { n++ } /-> wl_surface@[0-9]+\.commit/ { if (n > most) most = n; n = 0 }
              END { print most + 0 }' "$run/memory.err")
  [ "$most" -ge 2 ] && [ "$most" -le 64 ] && pass "memory: 2 to 64 damaged parts a commit (at most $most)" ||
    fail "memory: $most damaged parts in one commit"
else
  fail "memory: no window that follows its output's size"
fi
kill -TERM "$dreieck_pid"
ended "$dreieck_pid" 3 && expect_eq "memory: exit code" 0 "$ended_rc"

log "full screen on an output at scale 2: every tick at its device size"
swaymsg focus output "$second" >/dev/null
pointer_to 700 500
start fullscreen "${frozen[@]}" -- --fullscreen --interval 500
[ "${DREIECK_SANITIZE:-0}" == 1 ] || every_tick fullscreen "$second" 640x480
if wait_until 10 "$dreieck_pid" shows_red "$second" "$run/fullscreen-first.png"; then
  expect_eq "full screen: the output's device size" 640x480 "$(identify -format %wx%h "$run/fullscreen-first.png")"
else
  fail "full screen: no triangle on $second"
fi
kill -TERM "$dreieck_pid"
stops fullscreen
swaymsg focus output HEADLESS-1 >/dev/null
pointer_to 1000 200

log "the ways it ends"
# name | what ends it
endings=(
  "q|key q"
  "escape|key Escape"
  "button|pointer_press button1"
  "close|swaymsg kill"
)
for row in "${endings[@]}"; do
  IFS='|' read -r name how <<<"$row"
  pointer_release button1
  start "$name" -- --interval 500
  wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/$name.png" || { fail "$name: no triangle"; continue; }
  # Other keys and movements end nothing, as on Windows.
  key a space
  pointer_to 300 300
  sleep 0.5
  alive "$dreieck_pid" || fail "$name: another key or a movement ended it"
  $how >/dev/null
  stops "$name"
done
pointer_release button1

log "the compositor killed"
start lost -- --interval 500
wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/lost.png" || fail "lost: no triangle"
display=$WAYLAND_DISPLAY
sway_kill
if ended "$dreieck_pid" 5; then
  expect_eq "lost: exit code" 1 "$ended_rc"
  expect_eq "lost: one line" "dreieck: lost the connection to the display '$display'" "$(cat "$run/lost.err")"
else
  fail "lost: still running 5 s after the compositor's end"
fi

log "no compositor there"
start absent WAYLAND_DISPLAY=wayland-none -- --interval 500
ended "$dreieck_pid" 5
expect_eq "absent: exit code" 1 "$ended_rc"
expect_eq "absent: one line" "dreieck: cannot connect to the display 'wayland-none'" "$(cat "$run/absent.err")"
mkdir -p "$run/empty-runtime"
start unnamed DREIECK_DISPLAY=wayland WAYLAND_DISPLAY= XDG_RUNTIME_DIR="$run/empty-runtime" -- --interval 500
ended "$dreieck_pid" 5
expect_eq "DREIECK_DISPLAY=wayland without WAYLAND_DISPLAY: exit code" 1 "$ended_rc"
expect_eq "DREIECK_DISPLAY=wayland without WAYLAND_DISPLAY: libwayland's wayland-0" \
  "dreieck: cannot connect to the display 'wayland-0'" "$(cat "$run/unnamed.err")"
start chosen DREIECK_DISPLAY=mir -- --interval 500
ended "$dreieck_pid" 5
expect_eq "DREIECK_DISPLAY=mir: exit code" 1 "$ended_rc"
expect_eq "DREIECK_DISPLAY=mir: one line" "dreieck: DREIECK_DISPLAY is neither wayland nor x11: 'mir'" \
  "$(cat "$run/chosen.err")"
start x11 DREIECK_DISPLAY=x11 DISPLAY=:none -- --interval 500
ended "$dreieck_pid" 5
expect_eq "DREIECK_DISPLAY=x11: the X display, not the compositor" "dreieck: cannot open the display ':none'" \
  "$(cat "$run/x11.err")"

checks_end
