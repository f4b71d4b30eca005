#!/usr/bin/env bash
# dreieck --explore on a real Wayland compositor (sway headless), the user played by
# the seat's pointer and wtype: the window against the pictures `dreieck --picture`
# draws of the same corners, step and size, pixel for pixel. Right and Left step, 1
# switches the medians off and on again, a corner dragged through the seat (the picture
# follows while the button is held, and stays) gives exactly the picture of the dragged
# corners, on an output at scale 1 and on one at scale 2 (where the layout's pixels are
# two device pixels each); a key held down acts once; the pointer's shape over the
# window (the same arrow away from the corners, the same hand within 8 pixels of one,
# four arrows while dragging, three shapes in all), twice as large at XCURSOR_SIZE=48;
# Escape ends it with 0 and nothing on stderr.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_WLPOINTER (the helper; built
# with cc when not given).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
wayland_begin wayland-explore 800x600 faketime
sway_new_output && sway_output "$new_output" resolution 640x480 scale 2 || { fail "no second output"; checks_end; }
second=$new_output
corners=200,450,600,470,380,150

# open NAME OUTPUT ARGS...: dreieck --explore ARGS on OUTPUT, once it shows red.
open_explorer() {
  local name=$1 output=$2
  shift 2
  swaymsg focus output "$output" >/dev/null
  start "$name" -- --explore "$@"
  wait_until 10 "$dreieck_pid" shows_red "$output" "$run/$name-open.png" || { fail "$name: no window with a triangle"; return 1; }
}
shows_red() { wl_shot "$1" "$2" && [ "$(count '#FF0000' "$2")" -gt 100 ]; }
# same NAME OUTPUT SIZE CORNERS STEP [OPTIONS...]: the output shows `--picture --size
# SIZE --triangle CORNERS --step STEP OPTIONS`, within 3 s.
same() {
  local name=$1 output=$2 size=$3 triangle=$4 step=$5
  shift 5
  shows "$name" "$output" --size "$size" --triangle "$triangle" --step "$step" "$@"
}
# shows NAME OUTPUT OPTIONS...: the output shows `--picture OPTIONS`, within 3 s.
shows() {
  local name=$1 output=$2 n i
  shift 2
  "$bin" --picture "$run/$name-picture.png" "$@" || fail "$name: --picture failed"
  for ((i = 0; i < 15; i++)); do
    wl_shot "$output" "$run/$name.png"
    n=$(compare -metric AE "$run/$name.png" "$run/$name-picture.png" null: 2>&1)
    [ "$n" == 0 ] && break
    sleep 0.2
  done
  expect_eq "$name: the window shows --picture $*" 0 "$n"
}
# shape NAME X Y: the pointer at X,Y of the layout over the explorer of 800x600 on
# HEADLESS-1, which shows RUN/NAME's picture: where the pointer's image lies around
# it, WxH+DX+DY from the pointer (what a screenshot with the pointer shows beyond the
# picture).
shape() {
  local i box w h x y
  for ((i = 0; i < 10; i++)); do
    timeout 20 grim -c -o HEADLESS-1 "$run/shape.png"
    box=$(convert "$run/shape.png" "$run/$1-picture.png" -compose difference -composite -threshold 0 -format %@ \
      info: 2>/dev/null)
    [ -n "$box" ] && break
    sleep 0.1
  done
  IFS='x+' read -r w h x y <<<"$box"
  # No pointer at all, or one of no size a cursor has, is no shape.
  [ -n "$box" ] && [ "${w:-0}" -ge 8 ] && [ "${w:-0}" -le 64 ] && [ "${h:-0}" -ge 8 ] && [ "${h:-0}" -le 64 ] ||
    { echo "none($box)"; return; }
  echo "${w}x$h+$((x - $2))+$((y - $3))"
}

# like A B: two places of the pointer's image (WxH+DX+DY) within 2 pixels in each
# figure: its shaded edges blend into what is under them, which differs from place to
# place.
like() {
  local a b i
  [[ $1 != none* ]] && [[ $2 != none* ]] || return 1
  IFS='x+' read -ra a <<<"$1"
  IFS='x+' read -ra b <<<"$2"
  [ ${#a[@]} -eq 4 ] && [ ${#b[@]} -eq 4 ] || return 1
  for i in 0 1 2 3; do
    [ $((a[i] - b[i])) -le 2 ] && [ $((b[i] - a[i])) -le 2 ] || return 1
  done
}

log "steps, a construction switched, a corner dragged: scale 1"
pointer_to 1000 200  # on the other output, out of the screenshots
if open_explorer one HEADLESS-1 --triangle "$corners"; then
  key Right  # from every construction round to the triangle alone; the line of keys goes
  same right HEADLESS-1 800x600 "$corners" 0
  key Left
  same left HEADLESS-1 800x600 "$corners" 7
  key 1
  same medians-off HEADLESS-1 800x600 "$corners" 7 --no-medians
  key 1
  same medians-on HEADLESS-1 800x600 "$corners" 7

  log "the pointer's shape"
  # place | where (layout) | kind
  places=("away|100 100|arrow" "8 px left of C|372 150|hand" "8 px below C|380 158|hand"
    "9 px left of C|371 150|arrow" "9 px above C|380 141|arrow")
  declare -A kinds
  for row in "${places[@]}"; do
    IFS='|' read -r what where kind <<<"$row"
    read -r x y <<<"$where"
    pointer_to "$x" "$y"
    sleep 0.2
    seen=$(shape medians-on "$x" "$y")
    if [ -z "${kinds[$kind]:-}" ]; then
      kinds[$kind]=$seen
      log "the $kind: $seen"
    else
      like "${kinds[$kind]}" "$seen" && pass "the pointer $what: the $kind ($seen)" ||
        fail "the pointer $what: $seen is not the $kind (${kinds[$kind]})"
    fi
  done
  pointer_to 380 150
  pointer_press
  sleep 0.2
  kinds[move]=$(shape medians-on 380 150)
  pointer_release
  sleep 0.2
  seen=$(shape medians-on 380 150)
  like "${kinds[hand]}" "$seen" && pass "released over C: the hand" || fail "released over C: $seen, not the hand"
  ! like "${kinds[arrow]}" "${kinds[hand]}" && ! like "${kinds[hand]}" "${kinds[move]}" &&
    ! like "${kinds[arrow]}" "${kinds[move]}" && pass "three shapes: ${kinds[arrow]}, ${kinds[hand]}, ${kinds[move]}" ||
    fail "not three shapes: arrow ${kinds[arrow]}, hand ${kinds[hand]}, four arrows ${kinds[move]}"

  log "a corner dragged"
  pointer_to 203 448  # 3 px right of and 2 px below A
  pointer_press
  for i in 1 2 3 4; do pointer_to $((203 + 25 * i)) $((448 + 12 * i)); done
  pointer_to 1000 200  # held, the pointer off the window and out of the screenshots
  same drag-held HEADLESS-1 800x600 997,202,600,470,380,150 7
  pointer_to 303 496
  pointer_release
  pointer_to 1000 200
  same drag-a HEADLESS-1 800x600 300,498,600,470,380,150 7
  key Escape
  stops one 5
fi

log "a key held down: repeated, and its repeats marked as such"
# Space held for a second and a half (repeated after the compositor's delay of 600 ms,
# 25 times a second) places one new triangle: at a clock standing at T, the one of T+1;
# each repeat taken for a press would place those of T+2, T+3, ...
if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
  log "skipped under the sanitizers: libfaketime and their runtime do not mix"
else
  lib=(/usr/lib/*/faketime/libfaketime.so.1)
  pointer_to 1000 200
  start held TZ=UTC LD_PRELOAD="${lib[0]}" FAKETIME="2021-03-04 05:07:54" DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 -- \
    --explore --time "2021-03-04 05:07:54"
  if wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/held-open.png"; then
    key Right Left
    shows held-before HEADLESS-1 --size 800x600 --time "2021-03-04 05:07:54"
    wtype -P space -s 1500 -p space
    shows held-space HEADLESS-1 --size 800x600 --time "2021-03-04 05:07:55"
    key Escape
    stops held 5
  else
    fail "held: no window with a triangle"
  fi
fi

log "the cursor theme's size"
# XCURSOR_SIZE=48: the arrow twice as large; 0 or none of a number: the default size.
for row in "48|2" "0|1" "big|1"; do
  IFS='|' read -r size times <<<"$row"
  pointer_to 1000 200
  start "cursor-$size" XCURSOR_SIZE="$size" -- --explore --triangle "$corners"
  if wait_until 10 "$dreieck_pid" shows_red HEADLESS-1 "$run/cursor-$size-open.png"; then
    key Right Left
    same "cursor-$size" HEADLESS-1 800x600 "$corners" 7
    pointer_to 100 100
    sleep 0.2
    seen=$(shape "cursor-$size" 100 100)
    IFS='x+' read -r w h _ <<<"${kinds[arrow]:-0x0+0+0}"
    IFS='x+' read -r sw sh _ <<<"$seen"
    # Twice the arrow's size but for its shaded edge, a pixel or two.
    [ $((sw - times * w)) -le 3 ] && [ $((times * w - sw)) -le 3 ] && [ $((sh - times * h)) -le 3 ] &&
      [ $((times * h - sh)) -le 3 ] && pass "XCURSOR_SIZE=$size: the arrow $seen, $times times ${kinds[arrow]:-}" ||
      fail "XCURSOR_SIZE=$size: the arrow $seen, not $times times ${kinds[arrow]:-}"
    key Escape
    stops "cursor-$size" 5
  else
    fail "cursor-$size: no window with a triangle"
  fi
done

log "a corner dragged on an output at scale 2"
# The output is 640x480 device pixels, 320x240 in the layout from x = 800: A at device
# (100,300) is at (850,150) there. Pressed one layout pixel off it (device 102,298) and
# moved by 40,20 layout pixels (80,40 device pixels), it lands at device 180,340.
pointer_to 100 100  # on the empty first output
if open_explorer two "$second" --triangle 100,300,500,320,300,100; then
  key Right Left
  same two-open "$second" 640x480 100,300,500,320,300,100 7
  pointer_to 851 149
  pointer_press
  pointer_to 871 159
  pointer_to 891 169
  pointer_release
  pointer_to 100 100
  same two-dragged "$second" 640x480 180,340,500,320,300,100 7
  key q
  stops two 5
fi

checks_end
