#!/usr/bin/env bash
# dreieck --explore played by xdotool on a display of its own, its window against the
# pictures `dreieck --picture` draws of the same corners and step, pixel for pixel:
# each corner dragged (the picture follows while the button is held, off the window
# too, and stays after the release), a press just out of reach taking nothing, the
# pointer's shape (the cursor font's hand within 8 px of a corner on every side, its
# arrow 9 px off, its four arrows while dragging); Right and Left through the steps and
# round, held down too, a switched construction; corners on one line, on one point and
# far off the window; S saving what the window shows (and the options that draw it
# again), at once after a movement too, Space a new triangle, two within a second two;
# --time's triangle; the saved files named in the local time zone, -2 and -3 within a
# second, on past a folder or a dangling link of that name; the line of keys legible
# on every background and gone after a few seconds, and no work at all while nothing
# happens; Escape ending it with 0 and nothing on stderr.
#
# The screen is 800x600, which the window covers: the figures reckon with the screen's
# size, so a picture of --size 800x600 is what the window shows. For corners off the
# window it is made smaller, and then shows the top left of that picture but for a few
# pixels of the circles that leave it: the canvas walks a circle from where it enters
# the surface it draws on.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_XGRAB and DREIECK_XCURSOR (the
# helpers; built with cc when not given).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
display_width=800
display_height=600
linux_begin explore xdotool compare
xgrab=$(helper xgrab) || exit 1
xcursor=$(helper xcursor) || exit 1
corners=200,450,600,470,380,150

# open NAME [VAR=VALUE...] ARGS...: dreieck --explore ARGS in the run folder (its
# working directory) with those variables, once its window shows the triangle (and so
# takes the pointer and keys): its id in $wid, its place and size in $x0, $y0, $width
# and $height.
open_explorer() {
  local name=$1 i env=()
  shift
  while [[ "${1:-}" =~ ^[A-Z_]+= ]]; do env+=("$1"); shift; done
  pushd "$run" >/dev/null && start "$name" "${env[@]}" -- --explore "$@"
  popd >/dev/null || return 1
  x0=0 y0=0 width=800 height=600
  for ((i = 0; i < 50; i++)); do
    wid=$(xdotool search --name '^Dreieck$' 2>/dev/null | head -1)
    if [ -n "$wid" ] && grab "$name-open" && [ "$(count '#FF0000' "$run/$name-open.ppm")" -gt 100 ]; then
      # The keys go to it wherever the pointer is.
      xdotool windowfocus "$wid" 2>>"$run/xdotool.err"
      return 0
    fi
    sleep 0.1
  done
  fail "$name: no window with a triangle"
  return 1
}
# grab NAME: what the window shows, as RUN/NAME.ppm.
grab() {
  mkdir -p "$run/grab" && rm -f "$run/grab/000.ppm"
  "$xgrab" "$wid" "$run/grab" 0.001 >/dev/null && mv "$run/grab/000.ppm" "$run/$1.ppm"
}
differ() { compare -metric AE "$1" "$2" null: 2>&1; }
# shows NAME FILE [PIXELS]: waits (up to 2 s, well before the line of keys goes by
# itself) until the window shows the picture FILE, but for at most PIXELS pixels
# (default 0); checks it.
shows() {
  local i most=${3:-0} n
  for ((i = 0; i < 10; i++)); do
    grab "$1"
    n=$(differ "$run/$1.ppm" "$2")
    [ "$n" -le "$most" ] && break
    sleep 0.2
  done
  [ "$n" -le "$most" ] && pass "$1: the window shows ${2##*/} ($n pixels apart)" ||
    fail "$1: the window shows ${2##*/} but for $n pixels (at most $most)"
}
# below_line NAME FILE: what the window shows (RUN/NAME.ppm, grabbed) differs from the
# picture FILE, and only in the line at the top (the keys, or what S saved), whose
# place it prints as WxH+X+Y.
below_line() {
  local box w h x y
  box=$(convert "$run/$1.ppm" "$2" -compose difference -composite -threshold 0 -format %@ info: 2>/dev/null)
  IFS='x+' read -r w h x y <<<"$box"
  [ "$(differ "$run/$1.ppm" "$2")" != 0 ] && [ $((y + h)) -le 30 ] && echo "$box"
}
# same NAME CORNERS STEP [OPTIONS...]: the window shows `--picture --size WxH --triangle
# CORNERS --step STEP OPTIONS` of its own size.
same() {
  local name=$1 triangle=$2 step=$3
  shift 3
  "$bin" --picture "$run/$name-picture.png" --size "${width}x$height" --triangle "$triangle" --step "$step" "$@" ||
    fail "$name: --picture failed"
  shows "$name" "$run/$name-picture.png"
}
# press X Y, move X Y, release: the pointer at window point X,Y.
press() { xdotool mousemove $((x0 + $1)) $((y0 + $2)) mousedown 1; }
move() { xdotool mousemove $((x0 + $1)) $((y0 + $2)); }
release() { xdotool mouseup 1; }
# drag X1 Y1 X2 Y2: pressed at X1,Y1 and moved in four steps to X2,Y2, still held.
drag() {
  local i
  press "$1" "$2"
  for i in 1 2 3 4; do move $(($1 + ($3 - $1) * i / 4)) $(($2 + ($4 - $2) * i / 4)); done
}
# ends NAME: Escape ends it with 0 and nothing on stderr.
ends() {
  xdotool key Escape
  stops "$1" 5
}

log "each corner dragged as a person drags it"
if open_explorer drag --triangle "$corners"; then
  grab drag-hint
  "$bin" --picture "$run/drag-start.png" --size 800x600 --triangle "$corners"
  hint=$(below_line drag-hint "$run/drag-start.png") &&
    pass "the line of keys, and nothing else, tells the picture from the window ($hint)" ||
    fail "the window differs from the picture not just in the line of keys"
  drag 203 448 303 498  # 3 px right of and 2 px above A
  same drag-a-held 300,500,600,470,380,150 7
  release
  same drag-a 300,500,600,470,380,150 7
  press 600 470 && move 650 400 && move 700 350 && release
  same drag-b 300,500,700,350,380,150 7
  drag 380 150 420 100 && release
  same drag-c 300,500,700,350,420,100 7
  press 429 100 && move 480 100 && release  # 9 px from C
  sleep 0.3
  same drag-out-of-reach 300,500,700,350,420,100 7

  log "the pointer's shape"
  # The cursor font's shapes as the server shows them, and the pointer moved (or
  # pressed, or released) at each place around C (420,100): its shape.
  declare -A font
  for name in left_ptr hand2 fleur; do font[$name]=$("$xcursor" "$name"); done
  [ "${font[left_ptr]}" != "${font[hand2]}" ] && [ "${font[hand2]}" != "${font[fleur]}" ] ||
    fail "the cursor font's shapes are not three: ${font[*]}"
  shapes=("100 100 left_ptr away from the corners"
    "412 100 hand2 8 px left of C" "428 100 hand2 8 px right of C" "420 92 hand2 8 px above C"
    "420 108 hand2 8 px below C" "411 100 left_ptr 9 px left of C" "429 100 left_ptr 9 px right of C"
    "420 91 left_ptr 9 px above C" "420 109 left_ptr 9 px below C"
    "420 100 fleur pressed on C" "420 100 hand2 released over C")
  for row in "${shapes[@]}"; do
    read -r x y name what <<<"$row"
    case $what in
      pressed*) press "$x" "$y" ;;
      released*) release ;;
      *) move "$x" "$y" ;;
    esac
    sleep 0.1
    expect_eq "the pointer $what: $name" "${font[$name]}" "$("$xcursor")"
  done
  log "after the drags, no work while nothing happens"
  status() { cat /proc/"$1"/task/*/status | awk -v k="$2:" '$1 == k { n += $2 } END { print n }'; }
  cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
  woken0=$(status "$dreieck_pid" voluntary_ctxt_switches)
  cpu0=$(cpu "$dreieck_pid")
  sleep 2
  expect_eq "no wake-ups in 2 s" 0 $(($(status "$dreieck_pid" voluntary_ctxt_switches) - woken0))
  expect_eq "no CPU time in 2 s" 0 $(($(cpu "$dreieck_pid") - cpu0))
  ends drag
fi

log "steps, round and back, and a construction switched off and on"
if open_explorer steps --triangle "$corners" --step 0; then
  xdotool key shift
  same steps-0 "$corners" 0
  for k in 1 2 3 4 5 6 7; do
    xdotool key Right
    same "steps-right-$k" "$corners" "$k"
  done
  xdotool key Right
  same steps-round "$corners" 0
  xdotool key Left
  same steps-back "$corners" 7
  xdotool key 2
  same steps-no-incircle "$corners" 7 --no-incircle
  xdotool key 2
  same steps-incircle-again "$corners" 7
  # Right held down: the X server repeats its key press (every 50 ms after 200 ms here),
  # and each press is a step. xev counts the presses the window gets; shift, which the
  # explorer passes over, tells when it listens.
  xset r rate 200 20
  xev -id "$wid" -event keyboard >"$run/steps-xev.txt" 2>&1 &
  xev_pid=$!
  pids+=("$xev_pid")
  for ((i = 0; i < 50; i++)); do
    xdotool key shift
    grep -q '^KeyPress' "$run/steps-xev.txt" && break
    sleep 0.1
  done
  xdotool keydown Right && sleep 0.6 && xdotool keyup Right
  sleep 0.2
  kill "$xev_pid" && wait "$xev_pid" 2>/dev/null
  forget "$xev_pid"
  held=$(awk '/^Key/ { event = $1 } event == "KeyPress" && /keysym 0x[0-9a-f]+, Right\)/ { n++ } END { print n + 0 }' \
    "$run/steps-xev.txt")
  [ "$held" -ge 3 ] && pass "Right held: $held key presses" || fail "Right held: $held key presses, not a repeat"
  same steps-held "$corners" $(((7 + held) % 8))

  ends steps
fi
if open_explorer skip --triangle "$corners" --step 1 --no-incircle --background white; then
  xdotool key shift
  same skip-1 "$corners" 1 --no-incircle --background white
  xdotool key Right
  same skip-right "$corners" 3 --no-incircle --background white
  ends skip
fi

log "corners on one line, on one point, and far off the window"
if open_explorer degenerate --triangle 60,250,340,260,180,40; then
  drag 180 40 200 255 && release  # C between A and B
  same degenerate-line 60,250,340,260,200,255 7
  drag 200 255 60 250 && release  # C onto A
  same degenerate-point 60,250,340,260,60,250 7
  # The window 400x300 in the middle of the screen: 200 px to leave it on the left and
  # right, 150 above and below.
  xdotool windowsize --sync "$wid" 400 300 windowmove --sync "$wid" 200 150 2>>"$run/xdotool.err"
  x0=200 y0=150 width=400 height=300
  same degenerate-smaller 60,250,340,260,60,250 7
  drag 340 260 590 440 && release  # B off the right and bottom edges
  same degenerate-off 60,250,590,440,60,250 7
  drag 60 250 -190 -140  # A (the first in that place) off the left and top, followed while held
  same degenerate-off-held -190,-140,590,440,60,250 7
  release
  same degenerate-off-too -190,-140,590,440,60,250 7
  xdotool key Right
  same degenerate-answers -190,-140,590,440,60,250 0
  ends degenerate
fi

log "S saves what the window shows; Space places a new triangle"
# saved NAME N: the Nth "saved" line on stderr (waits up to 5 s); its file in $file,
# its options in $options.
saved() {
  local line="" i
  for ((i = 0; i < 50; i++)); do
    line=$(grep '^dreieck: saved ' "$run/$1.err" | sed -n "$2p")
    [ -n "$line" ] && break
    sleep 0.1
  done
  file=$(sed -n "s/^dreieck: saved '\(dreieck-[0-9]\{8\}-[0-9]\{6\}\(-[0-9]*\)\?\.png\)' (.*)$/\1/p" <<<"$line")
  options=$(sed -n 's/.*(\(.*\))$/\1/p' <<<"$line")
  [ -n "$file" ] && [ -f "$run/$file" ] && return 0
  fail "$1: no file saved as said: [$line]"
  return 1
}
if open_explorer save --triangle "$corners" --no-incircle --background white; then
  xdotool key s  # with the line of keys still shown
  if saved save 1; then
    expect_eq "the options said draw it again" \
      "--size 800x600 --triangle $corners --step 7 --no-incircle --background white" "$options"
    # The window names the file at the top, where the line of keys was.
    "$bin" --picture "$run/save-picture.png" --size 800x600 --triangle "$corners" --no-incircle --background white
    expect_eq "the PNG is the picture of the options it names" 0 "$(differ "$run/save-picture.png" "$run/$file")"
    grab save-window
    line=$(below_line save-window "$run/$file") &&
      pass "the window shows the PNG, and at the top what S saved ($line)" ||
      fail "the window differs from the saved PNG not just in the line at the top"
    first=$file
  fi
  xdotool key s
  saved save 2 && [ "$file" != "$first" ] && pass "a second S, a second file ($file)" ||
    fail "the second S wrote [$file] after [$first]"
  xdotool key space s
  if saved save 3; then
    # shellcheck disable=SC2086  # the options are words
    "$bin" --picture "$run/save-new.png" $options || fail "--picture $options failed"
    expect_eq "Space: the saved picture is drawn again by its options" 0 "$(differ "$run/save-new.png" "$run/$file")"
    grab save-new
    below_line save-new "$run/save-new.png" >/dev/null && pass "Space: the window shows the new triangle" ||
      fail "Space: the window shows another picture than the one saved"
    [[ "$options" != *"--triangle $corners "* ]] && pass "Space: a new triangle ($options)" ||
      fail "Space: the same triangle"
  fi
  # In a window smaller than the screen the picture is that of a screen of its size.
  xdotool windowsize --sync "$wid" 400 300 key s 2>>"$run/xdotool.err"
  if saved save 4; then
    # shellcheck disable=SC2086  # the options are words
    "$bin" --picture "$run/save-small.png" $options || fail "--picture $options failed"
    expect_eq "a smaller window: the saved picture is drawn again by its options ($options)" 0 \
      "$(differ "$run/save-small.png" "$run/$file")"
  fi
  # S held down saves once: only the steps repeat, as on the page.
  xset r rate 200 20
  xdotool keydown s && sleep 0.6 && xdotool keyup s
  saved save 5
  sleep 0.3
  xdotool key Escape
  ended "$dreieck_pid" 5 && expect_eq "save: Escape: exit code" 0 "$ended_rc"
  expect_eq "save: nothing on stderr but the saves, one for S held down" 5 "$(wc -l <"$run/save.err")"
fi

log "S at once after a movement saves the picture of the corners its options name"
# The first movement is drawn at once, the second waits for the end of that display
# refresh (17 ms), and S comes before it ends.
if open_explorer quick --triangle "$corners"; then
  xdotool key shift
  press 200 450  # on A
  xdotool mousemove 230 460 sleep 0.005 mousemove 260 470 key s
  if saved quick 1; then
    expect_eq "S at once: the options name where A went" "--size 800x600 --triangle 260,470,600,470,380,150 --step 7" \
      "$options"
    # shellcheck disable=SC2086  # the options are words
    "$bin" --picture "$run/quick-picture.png" $options || fail "--picture $options failed"
    expect_eq "S at once: the PNG is the picture of the options it names" 0 \
      "$(differ "$run/quick-picture.png" "$run/$file")"
  fi
  release
  xdotool key Escape
  ended "$dreieck_pid" 5 && expect_eq "quick: Escape: exit code" 0 "$ended_rc"
fi

log "--time's triangle; two Spaces within a second, two triangles; names in the local time zone"
# After the triangle of a second, Space places that of the next one, or the current
# second's when that is later: here a second to come, so each Space is one on.
stamp() { TZ=Pacific/Kiritimati date +%Y%m%d-%H%M%S; }
if open_explorer when TZ=Pacific/Kiritimati --time "2031-05-06 07:08:09"; then
  xdotool key shift
  "$bin" --picture "$run/when-0.png" --size 800x600 --time "2031-05-06 07:08:09"
  shows when-0 "$run/when-0.png"
  before=$(stamp)
  xdotool key space s space s
  for k in 1 2; do
    saved when "$k" || continue
    "$bin" --picture "$run/when-$k.png" --size 800x600 --time "2031-05-06 07:08:$((9 + k))"
    expect_eq "Space $k: the triangle of --time's second + $k" 0 "$(differ "$run/when-$k.png" "$run/$file")"
    # The name's time is the local time (UTC+14 on Kiritimati) of the save.
    taken=$(sed 's/^dreieck-\([0-9-]\{15\}\).*/\1/' <<<"$file")
    after=$(stamp)
    [[ ! "$taken" < "$before" && ! "$taken" > "$after" ]] && pass "$file: saved between $before and $after" ||
      fail "$file: not saved between $before and $after, Kiritimati's time"
  done
  xdotool key Escape
  ended "$dreieck_pid" 5 && expect_eq "when: Escape: exit code" 0 "$ended_rc"
fi

log "the clock stopped: the current second's triangle, three saves named as its local time, -2 and -3"
if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
  # libfaketime and the sanitizers' runtime both wrap the clock and deadlock at start.
  log "skipped under the sanitizers: libfaketime and their runtime do not mix"
else
  faketime_lib=(/usr/lib/*/faketime/libfaketime.so.1)
  # 2021-03-04 05:06:07 UTC, 19:06:07 on Kiritimati.
  if open_explorer frozen TZ=Pacific/Kiritimati LD_PRELOAD="${faketime_lib[0]}" FAKETIME_FMT=%s FAKETIME=1614834367 \
    DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1; then
    xdotool key shift
    "$bin" --picture "$run/frozen.png" --size 800x600 --time 2021-03-04T05:06:07Z
    shows frozen "$run/frozen.png"
    xdotool key s s s
    saves=""
    for k in 1 2 3; do saved frozen "$k" && saves+=" $file"; done
    expect_eq "three saves within a second" \
      " dreieck-20210304-190607.png dreieck-20210304-190607-2.png dreieck-20210304-190607-3.png" "$saves"
    # A folder and a symbolic link that leads nowhere take a name as a file does.
    mkdir "$run/dreieck-20210304-190607-4.png"
    ln -s nowhere.png "$run/dreieck-20210304-190607-5.png"
    xdotool key s s
    saves=""
    for k in 4 5; do saved frozen "$k" && saves+=" $file"; done
    expect_eq "past a folder and a dangling link of the names to come" \
      " dreieck-20210304-190607-6.png dreieck-20210304-190607-7.png" "$saves"
    expect_eq "past a folder and a dangling link: nothing else on stderr" 5 "$(wc -l <"$run/frozen.err")"
    xdotool key Escape
    ended "$dreieck_pid" 5 && expect_eq "frozen: Escape: exit code" 0 "$ended_rc"
  fi
fi

log "the line of keys on every background: dark on the light shades, light on the dark"
# The window against the picture: the top line's box, and how many more pixels of the
# ink's colour it has than the picture there.
shades=("white #000000" "light-grey #000000" "grey #000000" "dark-grey #FFFFFF" "black #FFFFFF")
for row in "${shades[@]}"; do
  read -r shade ink <<<"$row"
  open_explorer "hint-$shade" --triangle "$corners" --background "$shade" || continue
  "$bin" --picture "$run/hint-$shade.png" --size 800x600 --triangle "$corners" --background "$shade"
  grab "hint-$shade"
  if box=$(below_line "hint-$shade" "$run/hint-$shade.png"); then
    inked=$(($(count "$ink" "$run/hint-$shade.ppm" "$box") - $(count "$ink" "$run/hint-$shade.png" "$box")))
    [ "$inked" -ge 200 ] && pass "$shade: the line of keys in $ink ($inked pixels of it)" ||
      fail "$shade: the line of keys has $inked more pixels of $ink than the picture, not 200"
  else
    fail "$shade: the window differs from the picture not just in the line of keys"
  fi
  ends "hint-$shade"
done

log "the line of keys goes by itself"
if open_explorer hint --triangle "$corners"; then
  "$bin" --picture "$run/hint-picture.png" --size 800x600 --triangle "$corners"
  begun=$(now_ms)
  for ((i = 0; i < 50; i++)); do
    grab hint
    [ "$(differ "$run/hint.ppm" "$run/hint-picture.png")" == 0 ] && break
    sleep 0.2
  done
  gone=$((($(now_ms) - begun) / 1000))
  [ "$i" -lt 50 ] && [ "$gone" -ge 4 ] && pass "gone after about $gone s" || fail "still shown after $gone s"
  ends hint
fi

checks_end
