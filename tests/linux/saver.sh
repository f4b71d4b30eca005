#!/usr/bin/env bash
# dreieck in a window of its own and full screen, on its own 1024x768 Xvfb: the window
# and its title; the picture kept when the window is unmapped and mapped again, and
# when a part away from its left edge, wider or taller than wide, is covered and
# uncovered; a resize taken at the next tick (the next triangle and caption use the new
# size), the picture so far kept and drawn on; a window too large for an image of it
# (it says so once, runs on and draws again once smaller); the screen equal to
# `--frames` of the same second at every tick of a cycle; the ways it ends (a mouse
# button, q, Escape, the window manager's close, the window destroyed, SIGTERM, SIGINT,
# SIGHUP: exit 0, nothing on stderr; --saver ended by any key, a button and a movement,
# not by one of a pixel; a closed window noticed at once at 5000 ms; the
# connection to the X server lost, by xkill or the server's end: exit 1 and one line);
# no shared memory left behind; bad command lines; and what it costs while it waits:
# wake-ups per tick and CPU time over 30 s at 500 ms.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_IDLE_SECONDS (default 30),
# DREIECK_VERSION (default: the project version of the build DREIECK_BIN is in),
# DREIECK_XWINDOW, DREIECK_XGRAB and DREIECK_XCLOSE (the helpers; built with cc when
# not given),
# DREIECK_SANITIZE (1: no memory limit is tried, the sanitizers need the address space;
# no frozen clock, libfaketime does not start under them).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
linux_begin saver xdotool xwininfo ipcs prlimit faketime
xgrab=$(helper xgrab) || exit 1
xwindow=$(helper xwindow) || exit 1
xclose=$(helper xclose) || exit 1
version=${DREIECK_VERSION:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$(dirname "$bin")/CMakeCache.txt")}

# The window of the program, once it is on screen: id in $wid, "WxH+X+Y" in $geometry.
wait_own_window() {
  local i
  for i in $(seq 1 50); do
    wid=$(xdotool search --name '^Dreieck$' 2>/dev/null | head -1)
    if [ -n "$wid" ]; then
      geometry=$(xwininfo -id "$wid" | awk '/-geometry/ { print $2 }')
      local w h x y
      w=$(xwininfo -id "$wid" | awk '/Width:/ { print $2 }')
      h=$(xwininfo -id "$wid" | awk '/Height:/ { print $2 }')
      x=$(xwininfo -id "$wid" | awk '/Absolute upper-left X:/ { print $4 }')
      y=$(xwininfo -id "$wid" | awk '/Absolute upper-left Y:/ { print $4 }')
      geometry="${w}x${h}+${x}+${y}"
      return 0
    fi
    sleep 0.1
  done
  return 1
}
# wait_colour NAME COLOUR SECONDS [GEOMETRY]: screenshots until the colour shows.
wait_colour() {
  local i
  for ((i = 0; i < $3 * 5; i++)); do
    shot "$1"
    [ "$(count "$2" "$run/$1.png" "${4:-}")" -ge 20 ] && return 0
    sleep 0.2
  done
  return 1
}

log "a window of its own"
start own -- --interval 500
if wait_own_window; then
  pass "a window titled Dreieck ($geometry)"
  expect_eq "WM_CLASS" 'WM_CLASS(STRING) = "dreieck", "Dreieck"' "$(xprop -id "$wid" WM_CLASS 2>/dev/null)"
  wait_colour own-first "#FF0000" 5 "$geometry" && pass "the triangle is drawn in it" || fail "no red triangle"
  outside=$(convert "$run/own-first.png" -fill black -draw "rectangle 112,84 911,683" -format %c histogram:info:- |
    grep -vc '#000000')
  expect_eq "nothing drawn outside the window" 0 "$outside"
else
  fail "no window titled Dreieck"
fi

log "exposure: the picture survives being unmapped and mapped again"
kill -TERM "$dreieck_pid"
ended "$dreieck_pid" 3
start exposure -- --interval 5000
wait_own_window && wait_colour exposure-drawn "#FF0000" 8 "$geometry"
sleep 0.3
shot exposure-before
xdotool windowunmap --sync "$wid"
shot exposure-unmapped
xdotool windowmap --sync "$wid"
sleep 0.3
shot exposure-after
expect_eq "the unmapped window shows nothing" 0 "$(count '#FF0000' "$run/exposure-unmapped.png")"
expect_eq "the mapped window shows the same picture" 0 \
  "$(compare -metric AE "$run/exposure-before.png" "$run/exposure-after.png" null: 2>&1)"
kill -TERM "$dreieck_pid"
stops exposure

log "exposure: a part away from the left edge is shown again"
# Another client's window over the middle of the picture, then gone: the xwindow helper
# ends, and its window with it, when its input ends. One part wider than tall, one
# taller than wide.
start partial -- --interval 5000
if wait_own_window && wait_colour partial-drawn "#FF0000" 8 "$geometry"; then
  for cover in 300x200+400+300 120x330+450+250; do
    snap partial-before
    exec {cover_fd}> >(exec "$xwindow" "$cover" >"$run/cover.out" 2>"$run/cover.err")
    cover_pid=$!
    wait_until 5 "$cover_pid" test -s "$run/cover.out"
    snap partial-covered
    exec {cover_fd}>&-
    ended "$cover_pid" 3
    sleep 0.3
    snap partial-after
    IFS='x+' read -r w h _ <<<"$cover"
    expect_eq "the other window hid $cover" $((w * h)) "$(count '#336699' "$run/partial-covered.ppm" "$cover")"
    expect_eq "the part $cover shows the picture again" 0 \
      "$(compare -metric AE "$run/partial-before.ppm" "$run/partial-after.ppm" null: 2>&1)"
  done
else
  fail "partial: no red triangle"
fi
kill -TERM "$dreieck_pid"
stops partial

log "a resize is taken at the next tick"
# No constructions: four ticks a cycle, the caption at the erase.
start resize -- --interval 500 "${triangle_only[@]}"
wait_own_window && wait_colour resize-first "#FF0000" 5 "$geometry"
xdotool windowsize --sync "$wid" 200 150
wait_own_window
expect_eq "the window is 200x150 now" "200x150+112+84" "$geometry"
# The next erase paints the whole new area and writes the caption at its new bottom.
caption=""
for i in $(seq 1 40); do
  shot "resize-$i"
  box=$(bbox "#FFFF00" "$run/resize-$i.png")
  if [ -n "$box" ] && [ "$(count '#FFFF00' "$run/resize-$i.png")" -gt 20 ]; then caption=$box; break; fi
  sleep 0.1
done
if [ -n "$caption" ]; then
  IFS='x+' read -r w h x y <<<"$caption"
  log "caption at $caption"
  [ $((y + h)) -le $((84 + 150)) ] && [ "$y" -ge $((84 + 150 - 14)) ] && pass "the caption sits on the new bottom edge" ||
    fail "the caption is not at the new bottom edge: $caption"
  # The caption is wider than 200 pixels: centred, it is cut off on both sides.
  [ "$x" -le 142 ] && [ $((x + w)) -ge 282 ] && pass "the caption is cut off at both sides of the narrow window" ||
    fail "the caption does not span the narrow window: $caption"
else
  fail "no caption after the resize"
fi
if wait_colour resize-next "#FF0000" 4 "200x150+112+84"; then
  red=$(bbox "#FF0000" "$run/resize-next.png")
  IFS='x+' read -r w h x y <<<"$red"
  [ "$x" -ge 112 ] && [ $((x + w)) -le 312 ] && [ "$y" -ge 84 ] && [ $((y + h)) -le 234 ] &&
    pass "the next triangle lies in the new size ($red)" || fail "the next triangle leaves the new size: $red"
else
  fail "no triangle after the resize"
fi
kill -TERM "$dreieck_pid"
stops resize

log "a resize keeps the picture so far, and the next ticks draw on it"
# Every construction on, a tick a second: once the medians are drawn the window grows;
# the triangle and the medians stay where they were, and the incircle comes on them.
start grown -- --interval 1000
if wait_own_window && wait_colour grown-medians "#FF8000" 8 "$geometry"; then
  snap grown-before
  xdotool windowsize --sync "$wid" 900 650 2>>"$run/xdotool.err"
  # The first picture with the incircle (later ticks draw over more of what was there).
  for ((i = 0; i < 100; i++)); do
    snap grown-after
    [ "$(count '#0000FF' "$run/grown-after.ppm" "900x650+112+84")" -ge 20 ] && break
    sleep 0.05
  done
  if [ "$i" -lt 100 ]; then
    # kept COLOUR: of the pixels of that colour in the window before, how many have it
    # still, in per cent.
    kept() {
      convert "$run/grown-before.ppm" -crop "$geometry" +repage -fill black +opaque "$1" -fill white -opaque "$1" \
        "$run/grown-mask.png" &&
        convert "$run/grown-after.ppm" -crop "$geometry" +repage -fill black +opaque "$1" -fill white -opaque "$1" \
          "$run/grown-mask.png" -compose multiply -composite "$run/grown-kept.png" &&
        echo $((100 * $(count '#FFFFFF' "$run/grown-kept.png") / $(count '#FFFFFF' "$run/grown-mask.png")))
    }
    for colour in '#FF0000' '#FF8000'; do
      share=$(kept "$colour")
      [ "${share:-0}" -ge 80 ] && pass "grown: $share % of the $colour pixels stay" ||
        fail "grown: only ${share:-0} % of the $colour pixels stay after the resize"
    done
  else
    fail "grown: no incircle within 5 s of the resize"
  fi
else
  fail "grown: no medians"
fi
kill -TERM "$dreieck_pid"
stops grown

log "a window too large for its image"
# name | display | address space (kB) | size | why there is no image of it
too_large=(
  "wide|$DISPLAY||40000x50|wider or taller than 32767 pixels"
  "wide-no-shm|unix$DISPLAY||40000x50|wider or taller than 32767 pixels"
  "memory|$DISPLAY|1500000|20000x20000|out of memory"
)
for row in "${too_large[@]}"; do
  IFS='|' read -r name display limit size reason <<<"$row"
  # The sanitizers need the address space: no limit leaves them room.
  if [ -n "$limit" ] && [ "${DREIECK_SANITIZE:-0}" == 1 ]; then log "$name: skipped under the sanitizers"; continue; fi
  start "$name" DISPLAY="$display" -- --interval 500 "${triangle_only[@]}"
  wait_own_window || { fail "$name: no window"; continue; }
  [ -z "$limit" ] || prlimit --pid "$dreieck_pid" --as="$((limit * 1024)):" || fail "$name: prlimit"
  outgrow "$name" "$wid" "$size" "$reason" "300x200+112+84" || continue
  kill -TERM "$dreieck_pid"
  ended "$dreieck_pid" 3 && expect_eq "$name: SIGTERM exit code" 0 "$ended_rc"
done

log "the screen shows the picture of every tick"
if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
  # libfaketime and the sanitizers' runtime both wrap the clock and deadlock at start.
  log "skipped under the sanitizers: libfaketime and their runtime do not mix"
else
  # With the clock standing at one second, dreieck --fullscreen draws the cycle that
  # dreieck --frames draws for that second and size. Every picture the screen shows
  # from the first tick on (xgrab catches each) is one of those frames, in their order,
  # up to the erase, and each of them is shown: a part drawn but not shown leaves old
  # pixels behind. At this second a circle is the right end of what two ticks draw, at a
  # fraction of a pixel: a damaged part rounded down there leaves one pixel out.
  when="2021-03-04 05:07:54"
  mkdir -p "$run/frames" "$run/grabs"
  "$bin" --frames "$run/frames" --size 1024x768 --time "$when" >"$run/frames.out" 2>&1 || fail "--frames failed"
  "$xgrab" root "$run/grabs" 9 >"$run/grabs.out" 2>"$run/grabs.err" &
  grab_pid=$!
  pids+=("$grab_pid")
  faketime_lib=(/usr/lib/*/faketime/libfaketime.so.1)
  start frozen TZ=UTC LD_PRELOAD="${faketime_lib[0]}" FAKETIME="$when" \
    DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 -- --fullscreen --interval 500
  ended "$grab_pid" 20 || fail "xgrab still runs"
  kill -TERM "$dreieck_pid"
  stops frozen
  frames=()  # each frame that differs from the one before, as PPM
  for f in "$run"/frames/tick-*.png; do
    convert "$f" -depth 8 "${f%.png}.ppm"
    [ ${#frames[@]} -gt 0 ] && cmp -s "${f%.png}.ppm" "${frames[-1]}" || frames+=("${f%.png}.ppm")
  done
  shown=-1  # the last of them the screen showed
  for grab in "$run"/grabs/*.ppm; do
    [ "$shown" -ge 0 ] && cmp -s "$grab" "${frames[shown]}" && continue
    if cmp -s "$grab" "${frames[shown + 1]}"; then
      shown=$((shown + 1))
      [ "$shown" -eq $((${#frames[@]} - 1)) ] && break
    elif [ "$shown" -ge 0 ]; then
      fail "screen ${grab##*/} after ${frames[shown]##*/} is not ${frames[shown + 1]##*/}:" \
        "$(compare -metric AE "$grab" "${frames[shown + 1]}" null: 2>&1) pixels differ"
      break
    fi
  done
  expect_eq "the screen showed each of the ${#frames[@]} frames up to the erase" "${#frames[@]}" "$((shown + 1))"
fi

log "full screen"
start fullscreen -- --fullscreen --interval 500
wait_own_window && expect_eq "it covers the screen" "1024x768+0+0" "$geometry"
xdotool mousemove 500 400 click 1
stops fullscreen

log "the ways it ends"
# name | what ends it
endings=(
  "left|xdotool mousemove 500 400 click 1"
  "middle|xdotool mousemove 500 400 click 2"
  "right|xdotool mousemove 500 400 click 3"
  "q|xdotool key --window WID q"
  "escape|xdotool key --window WID Escape"
  "close|$xclose WID"
  "destroy|xdotool windowclose WID"
  "sigterm|kill -TERM PID"
  "sigint|kill -INT PID"
  "sighup|kill -HUP PID"
)
for row in "${endings[@]}"; do
  IFS='|' read -r name how <<<"$row"
  start "$name" -- --interval 500
  wait_own_window || { fail "$name: no window"; continue; }
  # Keys and movement that are not q or Escape end nothing, as on Windows.
  xdotool mousemove 300 300 mousemove 600 500 key --window "$wid" a space Return 2>/dev/null
  sleep 0.3
  alive "$dreieck_pid" || fail "$name: other keys or movement ended it"
  how=${how//WID/$wid}
  how=${how//PID/$dreieck_pid}
  $how 2>>"$run/xdotool.err"
  stops "$name"
done

log "--saver on X11: the whole screen, ended by any key, a button and a movement, not by 1 pixel"
# name | what ends it
saver_endings=(
  "saver-key|xdotool key a"
  "saver-button|xdotool click 3"
  "saver-movement|xdotool mousemove 520 400"
)
for row in "${saver_endings[@]}"; do
  IFS='|' read -r name how <<<"$row"
  xdotool mousemove 500 400
  start "$name" -- --saver --interval 500
  wait_own_window || { fail "$name: no window"; continue; }
  expect_eq "$name: it covers the screen" "1024x768+0+0" "$geometry"
  # The first movement it sees is where the pointer is; one pixel from there is not
  # beyond the slack.
  xdotool mousemove 501 400 mousemove 501 401
  sleep 0.5
  alive "$dreieck_pid" && pass "$name: a movement of 1 pixel does not end it" || fail "$name: 1 pixel ended it"
  $how
  stops "$name"
done

log "a signal ignored at the start stays ignored"
# As under nohup: SIGHUP ignored by whoever started it ends nothing; SIGTERM still does.
(trap '' HUP; exec "$bin" --interval 500) >"$run/nohup.out" 2>"$run/nohup.err" &
dreieck_pid=$!
pids+=("$dreieck_pid")
if wait_own_window; then
  kill -HUP "$dreieck_pid"
  sleep 0.5
  alive "$dreieck_pid" || fail "nohup: an ignored SIGHUP ended it"
  kill -TERM "$dreieck_pid"
  stops nohup
else
  fail "nohup: no window"
fi

log "the connection to the X server lost"
# xkill (xdotool windowkill) closes the program's connection: nothing can be drawn any
# more, and it says so.
start lost-connection -- --interval 500
if wait_own_window; then
  xdotool windowkill "$wid" 2>>"$run/xdotool.err"
  if ended "$dreieck_pid" 3; then
    expect_eq "lost connection: exit code" 1 "$ended_rc"
    expect_eq "lost connection: one line" "dreieck: lost the connection to the display '$DISPLAY'" \
      "$(cat "$run/lost-connection.err")"
  else
    fail "lost connection: still running"
  fi
else
  fail "lost connection: no window"
fi

log "the window's end is noticed between two ticks"
start closed -- --interval 5000
if wait_own_window; then
  sleep 0.5
  xdotool windowclose "$wid" 2>>"$run/xdotool.err"
  if ended "$dreieck_pid" 1; then
    expect_eq "closed: exit code" 0 "$ended_rc"
  else
    fail "closed: still running 1 s after its window was destroyed (interval 5000)"
  fi
else
  fail "closed: no window"
fi

log "no shared memory outlives the program"
# how it ends | exit code
for row in "TERM|0" "KILL|137"; do
  IFS='|' read -r signal code <<<"$row"
  start "shm-$signal" -- --interval 500
  wait_own_window || { fail "shm-$signal: no window"; continue; }
  xdotool windowsize --sync "$wid" 300 200
  sleep 0.5
  expect_eq "shm-$signal: its segments after a resize" 1 "$(shm_segments "$dreieck_pid")"
  pid=$dreieck_pid
  kill "-$signal" "$pid"
  ended "$pid" 3 && expect_eq "shm-$signal: exit code" "$code" "$ended_rc"
  wait_until 1 "" no_shm_segments "$pid"
  expect_eq "shm-$signal: its segments after its end" 0 "$(shm_segments "$pid")"
  for id in $(ipcs -m -p | awk -v pid="$pid" '$3 == pid { print $1 }'); do ipcrm -m "$id"; done  # a leak's
done

log "the X server goes away"
start lost -- --interval 500
wait_own_window
lost_display=$DISPLAY
stop_xvfb
if ended "$dreieck_pid" 3; then
  expect_eq "server gone: exit code" 1 "$ended_rc"
  expect_eq "server gone: one line" "dreieck: lost the connection to the display '$lost_display'" "$(cat "$run/lost.err")"
else
  fail "server gone: still running"
fi
start_xvfb "$run" || exit 1

log "command lines that are wrong draw nothing"
# name | arguments | exit code | first line of stderr
bad=(
  "interval|--interval 20|2|dreieck: bad value for --interval: '20' (500 to 5000 milliseconds)"
  "background|--background pink|2|dreieck: bad value for --background: 'pink' (white, light-grey, grey, dark-grey or black)"
  "unknown|--speed 3|2|dreieck: unknown option '--speed'"
  "single-dash|-interval 9|2|dreieck: bad value for --interval: '9' (500 to 5000 milliseconds)"
)
for row in "${bad[@]}"; do
  IFS='|' read -r name args code first <<<"$row"
  # shellcheck disable=SC2086  # the arguments are words
  start "bad-$name" -- $args
  if ended "$dreieck_pid" 3; then
    expect_eq "$name: exit code" "$code" "$ended_rc"
    expect_eq "$name: the problem" "$first" "$(head -1 "$run/bad-$name.err")"
    expect_eq "$name: then the usage" "usage: dreieck [OPTION]..." "$(sed -n 2p "$run/bad-$name.err")"
  else
    fail "$name: still running"
  fi
  [ -z "$(xdotool search --name '^Dreieck$' 2>/dev/null)" ] && pass "$name: no window" || fail "$name: a window appeared"
done
start help -- --help
ended "$dreieck_pid" 3
expect_eq "--help: exit code" 0 "$ended_rc"
expect_eq "--help: usage on stdout" "usage: dreieck [OPTION]..." "$(head -1 "$run/help.out")"
start version -- -version
ended "$dreieck_pid" 3
expect_eq "-version: exit code" 0 "$ended_rc"
expect_eq "-version: the version" "dreieck $version" "$(cat "$run/version.out")"
start nodisplay DISPLAY= -- --interval 500
ended "$dreieck_pid" 3
expect_eq "no display: exit code" 1 "$ended_rc"
expect_eq "no display: one line" "dreieck: cannot open the display ''" "$(cat "$run/nodisplay.err")"

seconds=${DREIECK_IDLE_SECONDS:-30}
log "what it costs while it waits: $seconds s at 500 ms"
start idle -- --fullscreen --interval 500
wait_own_window
sleep 2
status() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # user + system, in clock ticks
woken0=$(status "$dreieck_pid" voluntary_ctxt_switches)
cpu0=$(cpu "$dreieck_pid")
rss0=$(status "$dreieck_pid" VmRSS)
sleep "$seconds"
woken1=$(status "$dreieck_pid" voluntary_ctxt_switches)
cpu1=$(cpu "$dreieck_pid")
rss1=$(status "$dreieck_pid" VmRSS)
ticks=$((seconds * 2))
woken=$((woken1 - woken0))
hz=$(getconf CLK_TCK)
log "idle: $woken voluntary wake-ups in $ticks ticks; CPU $(((cpu1 - cpu0) * 1000 / hz)) ms in $seconds s;" \
  "RSS $rss0 -> $rss1 kB"
[ "$woken" -le $((ticks * 5 / 2)) ] && pass "at most 2.5 wake-ups a tick ($woken in $ticks ticks)" ||
  fail "$woken wake-ups in $ticks ticks"
[ "$woken" -ge $((ticks / 2)) ] && pass "the ticks ran" || fail "only $woken wake-ups: did it tick?"
kill -TERM "$dreieck_pid"
stops idle

checks_end
