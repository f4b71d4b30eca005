#!/usr/bin/env bash
# dreieck --explore on a real Wayland compositor (sway headless), the user played by
# the seat's pointer and wtype: the window against the pictures `dreieck --picture`
# draws of the same corners, step and size, pixel for pixel. Right and Left step, 1
# switches the medians off and on again, a corner dragged through the seat (the picture
# follows while the button is held, and stays) gives exactly the picture of the dragged
# corners, on an output at scale 1 and on one at scale 2 (where the layout's pixels are
# two device pixels each); the pointer's shape over the window (the same arrow away
# from the corners, the same hand within 8 pixels of one, four arrows while dragging,
# three shapes in all); Escape ends it with 0 and nothing on stderr.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_WLPOINTER (the helper; built
# with cc when not given).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
wayland_begin wayland-explore 800x600
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
  local name=$1 output=$2 size=$3 triangle=$4 step=$5 n i
  shift 5
  "$bin" --picture "$run/$name-picture.png" --size "$size" --triangle "$triangle" --step "$step" "$@" ||
    fail "$name: --picture failed"
  for ((i = 0; i < 15; i++)); do
    wl_shot "$output" "$run/$name.png"
    n=$(compare -metric AE "$run/$name.png" "$run/$name-picture.png" null: 2>&1)
    [ "$n" == 0 ] && break
    sleep 0.2
  done
  expect_eq "$name: the window shows --triangle $triangle --step $step $* at $size" 0 "$n"
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
  echo "${w}x$h+$((x - $2))+$((y - $3))"
}

# like A B: two places of the pointer's image (WxH+DX+DY) within 2 pixels in each
# figure: its shaded edges blend into what is under them, which differs from place to
# place.
like() {
  local a b i
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
