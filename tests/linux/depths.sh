#!/usr/bin/env bash
# dreieck on X screens of every depth, each on an Xvfb of its own (1024x768, the 16-bit
# ones 1023 wide: their rows are padded): 15-bit (5-5-5), 16-bit (5-6-5), 24-bit and
# 30-bit (10-10-10) TrueColor, 24-bit DirectColor with TrueColor visuals of 24 and 32
# bits beside it, and 8-bit, whose screen is PseudoColor with an 8-bit TrueColor visual
# (3-3-2) beside it. The explorer's window takes the screen's visual where that is
# TrueColor (not one of the 32-bit ARGB visuals Xvfb offers beside it), else the
# deepest TrueColor one but for those.
#
# On each the explorer opens full screen (--explore --fullscreen): its window covers the
# screen at 0,0, and what it shows is `dreieck --picture --size 1024x768` of the same
# corners, within what the depth holds of each colour (on 24 and 30 bits exactly, but
# for 30-bit rounding); on 24 bits a step back with Left shows that step's picture too.
# On each TrueColor screen the saver draws on the root window (--root, the clock
# standing at one second) one of the pictures `dreieck --frames` draws for that second
# and size, within the same precision. The pictures reach the server through shared
# memory or through the connection (DISPLAY=unix:N), the explorer's one way and the
# saver's the other. The 8-bit and the DirectColor screens have no TrueColor root:
# --root ends with 1 and one line naming the display, its depth and class.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_SANITIZE (1: the saver's part
# is skipped, libfaketime does not start under the sanitizers).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
linux_begin depths xdotool xwininfo xdpyinfo faketime
corners=200,450,600,470,380,150
when="2021-03-04 05:07:54"
# The pictures of a screen of each width: RUN/WIDTH/frames/, explore-7.png and
# explore-6.png.
for width in 1024 1023; do
  mkdir -p "$run/$width"
  "$bin" --frames "$run/$width/frames" --size "${width}x768" --time "$when" >/dev/null 2>&1 || fail "--frames failed"
  "$bin" --picture "$run/$width/explore-7.png" --size "${width}x768" --triangle "$corners" --background grey ||
    fail "--picture failed"
  "$bin" --picture "$run/$width/explore-6.png" --size "${width}x768" --triangle "$corners" --background grey --step 6 ||
    fail "--picture --step 6 failed"
done

# apart A B: how far the two pictures are apart: the largest difference of one colour
# of one pixel, 0 to 255.
apart() {
  convert "$1" "$2" -compose difference -composite -separate -format '%[fx:round(maxima*255)]\n' info: 2>/dev/null |
    sort -n | tail -1
}
# nearest SHOT PICTURE...: the smallest distance of the shot to one of the pictures, and
# that picture's name: "N NAME".
nearest() {
  local shot=$1 best=256 name="" d p
  shift
  for p in "$@"; do
    d=$(apart "$shot" "$p")
    [ -n "$d" ] && [ "$d" -lt "$best" ] && best=$d name=${p##*/}
  done
  echo "$best $name"
}
# the window of the program: its id in $wid, "WxH+X+Y" in $geometry.
own_window() {
  wid=$(xdotool search --name '^Dreieck$' 2>/dev/null | head -1)
  [ -n "$wid" ] || return 1
  geometry=$(xwininfo -id "$wid" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 }
    /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 } END { print w "x" h "+" x "+" y }')
}
# window_shows NAME PICTURE MOST: screenshots of the window (through its own visual)
# until it is within MOST of the picture, for up to 5 s; checks it.
window_shows() {
  local i found=""
  for ((i = 0; i < 25; i++)); do
    timeout 20 import -window "$wid" -depth 8 "$run/$1.png" 2>>"$run/import.err"
    found=$(apart "$run/$1.png" "$2")
    [ -n "$found" ] && [ "$found" -le "$3" ] && break
    sleep 0.2
  done
  [ -n "$found" ] && [ "$found" -le "$3" ] && pass "$1: the picture, at most $found apart in a colour (up to $3)" ||
    fail "$1: ${found:-no screenshot} apart from ${2##*/} in a colour (up to $3)"
}

# the window of the program: its visual, "DEPTH-bit CLASS, the screen's own" or
# "..., another".
window_visual() {
  local default
  default=$(xdpyinfo | awk '/default visual id:/ { print $4 }')
  xwininfo -id "$wid" | awk -v default="$default" '/  Depth:/ { depth = $2 } /  Visual:/ { id = $2 }
    /  Visual Class:/ { class = $3 }
    END { printf "%s-bit %s, %s\n", depth, class, (id == default ? "the screen'"'"'s own" : "another") }'
}

# depth | Xvfb's options | visual of the screen | how far a colour may be from the
# picture's | how the explorer's pictures reach the server | the screen's width (odd:
# rows of 16 bits padded) | the visual of the explorer's window: the screen's own where
# that is TrueColor, else the deepest TrueColor one but for the 32-bit ARGB visuals
# beside it
depths=("24||TrueColor|0|shared|1024|24-bit TrueColor, the screen's own"
  "16||TrueColor 5-6-5|7|socket|1023|16-bit TrueColor, the screen's own"
  "15||TrueColor 5-5-5|7|shared|1023|15-bit TrueColor, the screen's own"
  "30||TrueColor 10-10-10|1|socket|1024|30-bit TrueColor, the screen's own"
  "24|-cc 5|DirectColor, TrueColor of 24 and 32 bits beside it|0|shared|1024|24-bit TrueColor, another"
  "8||PseudoColor, TrueColor 3-3-2 beside it|63|shared|1024|8-bit TrueColor, another")
faketime_lib=(/usr/lib/*/faketime/libfaketime.so.1)
for row in "${depths[@]}"; do
  IFS='|' read -r depth options visual most way width window <<<"$row"
  read -r -a xvfb_options <<<"$options"
  screen=$depth${options:+-${options//[- ]/}}
  log "$depth-bit${options:+ ($options)}: $visual, ${width}x768"
  stop_xvfb
  use_xvfb "$run/x$screen" "${width}x768x$depth" || { fail "no Xvfb of $depth bits"; continue; }
  xvfb_options=()
  # DISPLAY=unix:N: no shared memory (shared_image.cpp shares only with ":N").
  explorer_display=$DISPLAY saver_display=unix$DISPLAY
  [ "$way" == socket ] && explorer_display=unix$DISPLAY saver_display=$DISPLAY

  start "explore-$screen" DISPLAY="$explorer_display" -- --explore --fullscreen --triangle "$corners" --background grey
  if wait_until 10 "$dreieck_pid" own_window; then
    expect_eq "$screen: the explorer covers the screen" "${width}x768+0+0" "$geometry"
    expect_eq "$screen: the explorer's visual" "$window" "$(window_visual)"
    xdotool key --window "$wid" shift 2>>"$run/xdotool.err"  # the line of keys goes
    window_shows "explore-$screen" "$run/$width/explore-7.png" "$most"
    if [ "$screen" == 24 ]; then
      xdotool key --window "$wid" Left 2>>"$run/xdotool.err"
      window_shows "explore-$screen-left" "$run/$width/explore-6.png" 0
    fi
    xdotool key --window "$wid" Escape 2>>"$run/xdotool.err"
    stops "explore-$screen" 5
  else
    ended "$dreieck_pid" 1
    fail "$screen: no explorer window: $(cat "$run/explore-$screen.err")"
  fi

  if [[ $visual != TrueColor* ]]; then
    # No TrueColor root: --root ends with 1 and one line.
    start "root-$screen" -- --root
    ended "$dreieck_pid" 5 || fail "$screen: --root still runs"
    expect_eq "$screen: --root: exit code" 1 "$ended_rc"
    expect_eq "$screen: --root: one line" \
      "dreieck: the screen of the display $DISPLAY has $depth-bit ${visual%%,*} colour; dreieck draws only in TrueColor" \
      "$(cat "$run/root-$screen.err")"
    continue
  fi
  if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
    log "$depth-bit: the saver skipped under the sanitizers: libfaketime and their runtime do not mix"
    continue
  fi
  # The first tick comes after 3 s and stays 3 s; a screenshot with red in it is one of
  # the cycle's pictures (a later one on a slow machine).
  start "root-$screen" DISPLAY="$saver_display" TZ=UTC LD_PRELOAD="${faketime_lib[0]}" FAKETIME="$when" \
    DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 -- --root --interval 3000
  for ((i = 0; i < 50; i++)); do
    timeout 20 import -window root -depth 8 "$run/root-$screen.png" 2>>"$run/import.err"
    [ "$(count '#FF0000' "$run/root-$screen.png")" -ge 100 ] && break
    sleep 0.2
  done
  read -r distance frame < <(nearest "$run/root-$screen.png" "$run/$width"/frames/tick-0[0-7].png)
  [ "$distance" -le "$most" ] && pass "$screen: the saver shows $frame, at most $distance apart in a colour" ||
    fail "$screen: the saver's screen is $distance apart from the nearest frame, $frame (up to $most)"
  kill -TERM "$dreieck_pid"
  stops "root-$screen"
done

checks_end
