#!/usr/bin/env bash
# A whole cycle at the shortest interval (500 ms, stored through the registry): the
# construction of the cycle is drawn, then the screen is erased and the caption
# stands at the bottom centre, yellow on black; on the white background it is blue.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin cycle

azure="#0080FF"   # the excircles, and the caption on white
yellow="#FFFF00"  # the caption on every darker shade (the nine-point circle is off)

# check_caption SHOT COLOUR: the caption's pixels sit centred on the bottom edge,
# their top at the line 14 pixels above it.
check_caption() {
  local box w h x y
  box=$(bbox "$2" "$run/$1.png")
  IFS='x+' read -r w h x y <<<"$box"
  log "caption $2 at $box"
  local centre2=$((2 * x + w - 1)) bottom=$((y + h - 1))
  [ "$centre2" -ge $((display_width - 4)) ] && [ "$centre2" -le $((display_width + 2)) ] &&
    pass "the caption is centred ($box)" || fail "the caption is not centred: $box"
  [ "$y" -ge $((display_height - 14)) ] && [ "$bottom" -lt "$display_height" ] &&
    pass "the caption sits on the bottom edge" || fail "the caption is not at the bottom: $box"
  [ "$w" -gt 100 ] && pass "the caption is a line of text ($w pixels wide)" ||
    fail "the caption is only $w pixels wide"
}

log "black background, only the excircles, 500 ms"
set_dword Hintergrundfarbe 4
set_dword Geschwindigkeit 500
set_flags 0 0 0 0 0 0 1
start_scr black "/s" faketime
wait_window myScreenSaver 20 >/dev/null || fail "no window titled myScreenSaver appeared"
drawn="" erased=""
for i in $(seq 1 60); do
  shot black-$i
  colours=$(histogram "$run/black-$i.png")
  a=$(pixels "$azure" "$colours")
  y=$(pixels "$yellow" "$colours")
  r=$(pixels "#FF0000" "$colours")
  echo "shot $i: red $r, azure $a, yellow $y"
  if [ -z "$drawn" ] && [ "$a" -gt 0 ] && [ "$y" -eq 0 ]; then drawn=$i; fi
  if [ -n "$drawn" ] && [ "$a" -eq 0 ] && [ "$y" -gt 0 ]; then
    erased=$i
    break
  fi
  sleep 0.1
done
[ -n "$drawn" ] && pass "the excircles are drawn in the first cycle, without a caption (shot $drawn)" ||
  fail "the excircles never showed"
[ -n "$erased" ] && pass "the screen was erased and the caption written (shot $erased)" ||
  fail "no erase with a caption followed"
if [ -n "$erased" ]; then
  check_caption "black-$erased" "$yellow"
  expect_eq "the erased screen is black" "#000000" "$(dominant "$run/black-$erased.png" | cut -d' ' -f1)"
fi
xdotool click 1
expect_eq "a click ends it with 0" "0" "$(wait_exit black 15)"

log "white background, no constructions, 500 ms"
set_dword Hintergrundfarbe 0
set_flags 0 0 0 0 0 0 0
start_scr white "/s" faketime
wait_window myScreenSaver 20 >/dev/null || fail "no window titled myScreenSaver appeared"
caption=""
for i in $(seq 1 40); do
  shot white-$i
  b=$(count "$azure" "$run/white-$i.png" "${display_width}x20+0+$((display_height - 20))")
  echo "shot $i: blue at the bottom $b"
  if [ "$b" -gt 0 ]; then
    caption=$i
    break
  fi
  sleep 0.1
done
if [ -n "$caption" ]; then
  pass "a blue caption appears on white (shot $caption)"
  check_caption "white-$caption" "$azure"
  expect_eq "no yellow on white" "0" "$(count "$yellow" "$run/white-$caption.png")"
  expect_eq "the screen is white" "#FFFFFF" "$(dominant "$run/white-$caption.png" | cut -d' ' -f1)"
else
  fail "no blue caption on the white background"
fi
xdotool click 1
expect_eq "a click ends it with 0" "0" "$(wait_exit white 15)"
checks_end
