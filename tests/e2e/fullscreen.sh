#!/usr/bin/env bash
# "/s": a window of the screen's size in the stored shade; after the first tick the
# red outline of the triangle that the frozen second gives; keys and mouse movement
# change nothing, and a left click ends the program with 0.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin fullscreen

# Grey, only the triangle: nothing but its outline and labels is drawn in a cycle.
set_dword Hintergrundfarbe 2
set_flags 0 0 0 0 0 0 0
set_dword Geschwindigkeit 2000
grey="#808080"

# The triangle of 2021-03-04 05:06:07 UTC on a 1024 x 768 client area: the Windows
# runtime's rand after srand of that second, placed as the cycle places it.
seed=$(TZ=UTC date -d '2021-03-04 05:06:07' +%s)
state=$seed
r=()
for i in 1 2 3 4 5 6; do
  state=$(((state * 214013 + 2531011) & 0xFFFFFFFF))
  r+=($(((state >> 16) & 0x7FFF)))
done
w=$display_width h=$display_height
mx=$((w / 10)) rx=$((w - w / 10)) my=$((h / 10)) ry=$((h - h / 10))
ax=$((mx + (r[0] % rx) / 2)) ay=$((my + (r[1] % ry) / 2 + ry / 2))
# rx * 0.6 and ry * 0.6 have a fraction of .2 or .4 here; truncation drops it.
bx=$((mx + (r[2] % rx) / 3 + rx * 6 / 10)) by=$((my + (r[3] % ry) / 3 + ry * 6 / 10))
cx=$((mx + r[4] % rx)) cy=$((my + (r[5] % ry) / 3))
log "expected triangle A=($ax,$ay) B=($bx,$by) C=($cx,$cy)"

start_scr scr "/s" faketime
geometry=$(wait_window myScreenSaver 20) || fail "no window titled myScreenSaver appeared"
expect_eq "the window covers the screen" "${display_width}x${display_height}+0+0" "$geometry"

# Before the first tick: the background alone, the whole screen in the shade.
sleep 0.5
shot before-tick
read -r colour n < <(dominant "$run/before-tick.png")
expect_eq "before the first tick the screen is grey" "$grey" "$colour"
expect_eq "every pixel is grey" "$((w * h))" "$n"

# After the first tick: the red outline through the three computed vertices.
red=0
for i in $(seq 1 30); do
  shot first-tick
  red=$(count "#FF0000" "$run/first-tick.png")
  [ "$red" -gt 500 ] && break
  sleep 0.2
done
log "red pixels after the first tick: $red"
[ "$red" -gt 500 ] && pass "the red outline is on screen" || fail "only $red red pixels after the first tick"
for v in "A $ax $ay" "B $bx $by" "C $cx $cy"; do
  read -r label x y <<<"$v"
  near=$(count "#FF0000" "$run/first-tick.png" "5x5+$((x - 2))+$((y - 2))")
  [ "$near" -ge 3 ] && pass "the outline passes vertex $label ($x,$y)" ||
    fail "vertex $label ($x,$y): $near red pixels around it"
done
expect_eq "the rest stays grey" "$grey" "$(pixel "$run/first-tick.png" 5 5)"

# Keys and mouse movement are passed on and end nothing.
xdotool mousemove 200 200 sleep 0.2 mousemove 600 400 sleep 0.2 key a sleep 0.2 key space sleep 0.2 key Escape
sleep 1
has_exited scr && fail "keys or mouse movement ended the program (exit $(cat "$run/scr.rc"))" ||
  pass "keys and mouse movement leave it running"

xdotool mousemove 300 300 click 1
expect_eq "a left click ends it with exit code 0" "0" "$(wait_exit scr 15)"
checks_end
