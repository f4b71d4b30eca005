#!/usr/bin/env bash
# The same picture on both platforms: Dreieck.scr under Wine and the native dreieck,
# each full screen on a 1024x768 display with the clock standing at the same second,
# draw the same triangle and the same constructions, tick by tick; and the pictures
# that `dreieck --frames` writes for that second match the screen too.
#
# Both run every construction on black at 500 ms; screenshots are taken one after
# another for two cycles. Every construction has a colour of its own, so the picture
# after tick k is the one whose construction colours are exactly those of ticks 0..k.
# For each such state the colour of tick k's construction is compared
# (tests/linux/pixmatch): at least 0.9 of its pixels on Windows must have a pixel of
# the colour within 1 px on Linux, and 0.9 the other way round. Label text rasterises
# differently on the two, so the label boxes (from tests/linux/labels) are left out of
# that share; where each label's text starts is checked instead (within 3 px). A
# table of the shares closes the output.
#
# Needs the host build: DREIECK_HOST_BUILD names the folder that holds dreieck,
# tests/linux/pixmatch and tests/linux/labels. Without it the test is skipped (77).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"

host=${DREIECK_HOST_BUILD:-}
if [ -z "$host" ]; then
  echo "skipped: DREIECK_HOST_BUILD is not set (the host build with dreieck, tests/linux/pixmatch, tests/linux/labels)"
  exit 77
fi
host=$(realpath -m "$host")
for program in dreieck tests/linux/pixmatch tests/linux/labels; do
  if [ ! -x "$host/$program" ]; then
    echo "skipped: $host/$program is missing (build the host tree first)"
    exit 77
  fi
done
dreieck=$host/dreieck
pixmatch=$host/tests/linux/pixmatch

e2e_begin samepicture
when='2021-03-04 05:06:07'
size="${display_width}x${display_height}"

# The constructions in the order of the ticks that draw them, with their colours.
names=(triangle medians incircle circumcircle altitudes nine-point-circle Euler-line excircles)
colours=(FF0000 FF8000 0000FF 008000 00FF00 FFFF00 00FFFF 0080FF)
caption=FFFF00

# capture DIR SECONDS: screenshots of the whole display one after another for SECONDS.
# A run of identical ones is kept once, as DIR/run-N.ppm; DIR/runs holds "N SEEN", how
# many screenshots in a row showed it.
capture() {
  local dir=$1 seconds=$2 runs=0 seen=0 end
  mkdir -p "$dir"
  : >"$dir/runs"
  end=$(($(date +%s%N) / 1000000 + seconds * 1000))
  while [ $(($(date +%s%N) / 1000000)) -lt $end ]; do
    timeout 20 import -window root -depth 8 "$dir/grab.ppm" 2>>"$run/import.err" || continue
    if [ $runs -gt 0 ] && cmp -s "$dir/grab.ppm" "$dir/run-$runs.ppm"; then
      seen=$((seen + 1))
    else
      [ $runs -gt 0 ] && echo "$runs $seen" >>"$dir/runs"
      runs=$((runs + 1))
      seen=1
      mv "$dir/grab.ppm" "$dir/run-$runs.ppm"
    fi
  done
  [ $runs -gt 0 ] && echo "$runs $seen" >>"$dir/runs"
  rm -f "$dir/grab.ppm"
  log "$dir: $(wc -l <"$dir/runs") different pictures"
}

# The caption stands in the bottom band from the erase until it is drawn over, so it
# is still there in the next cycle; it has the nine-point circle's yellow. The band is
# left out wherever colours are told or compared.
band=16
above_band="${display_width}x$((display_height - band))+0+0"
band_box="0,$((display_height - band)),$display_width,$band"

# code FILE: which construction colours the picture holds above the caption band, one
# digit each in tick order ("11100000": triangle, medians and incircle).
code() {
  local colours_in digits="" c
  colours_in=$(histogram "$1" "$above_band")
  for c in "${colours[@]}"; do
    [ "$(pixels "#$c" "$colours_in")" -gt 0 ] && digits+=1 || digits+=0
  done
  echo "$digits"
}
# prefix K: the code of the picture after tick K (0..7).
prefix() {
  local ones=11111111 zeros=00000000
  echo "${ones:0:$1 + 1}${zeros:0:7 - $1}"
}

# states DIR: the pictures after each tick, as DIR/state-K.png for the ticks K = 0..7
# and DIR/state-10.png for the erase. The frozen clock makes every cycle draw the same,
# so a picture may come from any cycle the captures hold. A tick's drawing only adds
# pixels of its own colour, so a picture caught while a tick was drawing has the same
# colours as the finished one, which follows it: of the pictures with the colours of
# tick K the last is taken, but never the last capture (it may have caught a tick
# drawing). The ticks between the last construction and the erase draw nothing.
states() {
  local dir=$1 n seen c k last
  rm -f "$dir"/state-*.png
  last=$(tail -1 "$dir/runs" | cut -d' ' -f1)
  while read -r n seen; do
    [ "$n" != "$last" ] || break
    c=$(code "$dir/run-$n.ppm")
    for k in 0 1 2 3 4 5 6 7; do
      [ "$c" == "$(prefix $k)" ] && convert "$dir/run-$n.ppm" "$dir/state-$k.png"
    done
    # The erase: no construction, the caption in the band.
    if [ "$c" == 00000000 ] && [ "$(count "#$caption" "$dir/run-$n.ppm")" -gt 0 ]; then
      convert "$dir/run-$n.ppm" "$dir/state-10.png"
    fi
  done <"$dir/runs"
  rm -f "$dir"/run-*.ppm
  local found=""
  for k in 0 1 2 3 4 5 6 7 10; do [ -f "$dir/state-$k.png" ] && found+=" $k"; done
  log "$dir: pictures after the ticks$found"
}

# The labels of the cycle: "TICK X Y RRGGBB BYTES TEXT", one a line.
if ! "$host/tests/linux/labels" --size "$size" --time "$when" >"$run/labels.txt" 2>"$run/labels.err"; then
  fail "labels: $(head -1 "$run/labels.err")"
  checks_end
fi
log "labels of the cycle:"
sed 's/^/    /' "$run/labels.txt"

log "Windows: Dreieck.scr /s, every construction, black, 500 ms"
set_dword Hintergrundfarbe 4
set_dword Geschwindigkeit 500
set_flags 1 1 1 1 1 1 1
start_scr win "/s" faketime
wait_window myScreenSaver 20 >/dev/null || fail "no window titled myScreenSaver appeared"
capture "$run/win" 12
xdotool click 1
expect_eq "a click ends Dreieck.scr with 0" "0" "$(wait_exit win 15)"
states "$run/win"
# Wine's processes go, so that nothing of theirs is left on the display.
timeout 30 wineserver -k >/dev/null 2>&1
timeout 30 wineserver -w >/dev/null 2>&1

log "Linux: dreieck --fullscreen --interval 500"
timeout 60 env DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 faketime -f "$when" \
  "$dreieck" --fullscreen --interval 500 >"$run/linux.out" 2>"$run/linux.err" &
linux_pid=$!
capture "$run/linux" 12
xdotool click 1
if ! wait_end "$linux_pid" 5; then
  fail "a click did not end dreieck --fullscreen"
  kill "$linux_pid" 2>/dev/null
  wait_end "$linux_pid"
fi
expect_eq "dreieck --fullscreen ends with 0" "0" "$ended_rc"
states "$run/linux"

log "Linux: dreieck --frames"
mkdir -p "$run/frames"
timeout 60 "$dreieck" --frames "$run/frames" --size "$size" --time "$when" \
  >"$run/frames.out" 2>"$run/frames.err"
expect_eq "dreieck --frames ends with 0" "0" "$?"
for k in 0 1 2 3 4 5 6 7 10; do
  [ -f "$run/frames/tick-$(printf %02d $k).png" ] && cp "$run/frames/tick-$(printf %02d $k).png" \
    "$run/frames/state-$k.png"
done
expect_eq "--frames writes one picture per tick" "11" "$(find "$run/frames" -name 'tick-*.png' | wc -l)"
for k in 0 1 2 3 4 5 6 7; do
  f="$run/frames/tick-0$k.png"
  [ -f "$f" ] && expect_eq "tick-0$k.png holds the constructions of ticks 0..$k" "$(prefix $k)" "$(code "$f")"
done
# The two quiet ticks change no pixel.
for k in 8 9; do
  [ -f "$run/frames/tick-0$k.png" ] && expect_eq "tick-0$k.png is tick-07.png" 0 \
    "$(compare -metric AE "$run/frames/tick-07.png" "$run/frames/tick-0$k.png" null: 2>&1)"
done

# compare SIDE K: pixmatch of the Windows picture after tick K against SIDE's; prints
# the forward and backward share of the tick's colour; the label lines go to the log.
compare() {
  local side=$1 k=$2 args=(--exclude "$band_box") tick x y colour bytes
  local ref="$run/win/state-$k.png" cand="$run/$side/state-$k.png"
  if [ ! -f "$ref" ] || [ ! -f "$cand" ]; then
    echo "- -"
    return 1
  fi
  while read -r tick x y colour bytes _; do
    [ "$tick" -le "$k" ] || continue
    # The text cell and a margin: Wine's letters are about 4.5 px wide, Cairo's 5.5.
    args+=(--exclude "$((x - 3)),$((y - 3)),$((bytes * 6 + 10)),20")
    [ "$tick" -eq "$k" ] && args+=(--label "$x,$y,$colour,$((bytes * 6 + 6))")
  done <"$run/labels.txt"
  "$pixmatch" "$ref" "$cand" --colour "${colours[$k]}:${names[$k]}" --min 0.9 --both "${args[@]}" \
    >"$run/match-$side-$k.txt" 2>&1
  local rc=$?
  sed 's/^/    /' "$run/match-$side-$k.txt" >&2
  awk -v n="${names[$k]}" '$1 == n { print $4, $7 }' "$run/match-$side-$k.txt"
  return $rc
}

# The comparison must be able to fail: the Windows picture of the whole construction
# against itself moved by 1 px passes, moved by 3 px it does not.
all=()
for k in 0 1 2 3 4 5 6 7; do all+=(--colour "${colours[$k]}:${names[$k]}"); done
if [ -f "$run/win/state-7.png" ]; then
  for moved in 1 3; do
    convert "$run/win/state-7.png" -background black -splice "${moved}x$moved" -crop "$size+0+0" +repage \
      "$run/moved-$moved.png"
    "$pixmatch" "$run/win/state-7.png" "$run/moved-$moved.png" "${all[@]}" --both \
      >"$run/match-moved-$moved.txt" 2>&1
    echo $? >"$run/match-moved-$moved.rc"
  done
  expect_eq "the Windows picture matches itself moved by 1 px" 0 "$(cat "$run/match-moved-1.rc")"
  expect_eq "the Windows picture does not match itself moved by 3 px" 1 "$(cat "$run/match-moved-3.rc")"
fi

declare -A share
for side in linux frames; do
  for k in 0 1 2 3 4 5 6 7; do
    log "$side, after tick $k (${names[$k]})"
    if result=$(compare "$side" "$k"); then
      pass "$side: ${names[$k]} and its labels match the Windows picture ($result)"
    else
      fail "$side: ${names[$k]} after tick $k: $result; see $run/match-$side-$k.txt"
    fi
    share[$side,$k]=$result
  done
done

# The erase: only the caption is left, on the bottom edge, centred as on Windows.
for side in linux frames; do
  f="$run/$side/state-10.png"
  if [ ! -f "$f" ] || [ ! -f "$run/win/state-10.png" ]; then
    fail "$side: no picture of the erase"
    continue
  fi
  expect_eq "$side: after the erase no construction is left" 00000000 "$(code "$f")"
  wbox=$(bbox "#$caption" "$run/win/state-10.png")
  lbox=$(bbox "#$caption" "$f")
  log "caption on Windows $wbox, $side $lbox"
  if [[ ! "$wbox" =~ ^[0-9]+x[0-9]+\+[0-9]+\+[0-9]+$ ]] || [[ ! "$lbox" =~ ^[0-9]+x[0-9]+\+[0-9]+\+[0-9]+$ ]]; then
    fail "$side: no caption to compare"
    continue
  fi
  IFS='x+' read -r ww _ wx wy <<<"$wbox"
  IFS='x+' read -r lw _ lx ly <<<"$lbox"
  dc=$(((2 * lx + lw) - (2 * wx + ww)))
  dy=$((ly - wy))
  # Centred alike (the fonts differ in width), with the top at the same line.
  if [ "${dc#-}" -le 12 ] && [ "${dy#-}" -le 3 ]; then
    pass "$side: the caption sits where it does on Windows"
  else
    fail "$side: the caption's centre is off by $dc half-pixels across, its top by $dy"
  fi
done

echo
echo "Agreement with Windows per construction: the share of its pixels on Windows that have"
echo "a pixel of its colour within 1 px (back: the other way round); labels left out."
printf '%-18s %-7s %-8s %-8s %-8s %-8s\n' construction colour screen back frames back
for k in 0 1 2 3 4 5 6 7; do
  read -r s sb <<<"${share[linux,$k]}"
  read -r f fb <<<"${share[frames,$k]}"
  printf '%-18s %-7s %-8s %-8s %-8s %-8s\n' "${names[$k]}" "${colours[$k]}" "$s" "$sb" "$f" "$fb"
done
# The labels: how many were compared, how many lay off the screen or under lines,
# and the largest offset of a label's text from where it is on Windows.
for side in linux frames; do
  cat "$run"/match-$side-*.txt 2>/dev/null | awk -v side="$side" '
    $1 == "label" { n[$NF]++; if ($9 != "-") { split($9, d, ","); for (i = 1; i <= 2; i++) {
      v = d[i] < 0 ? -d[i] : d[i]; if (v > worst) worst = v } } }
    END { printf "labels %-7s ok %d, off the screen %d, under lines %d, failed %d; largest offset %d px\n",
          side, n["ok"], n["outside"], n["hidden"], n["far"] + n["missing"] + n["absent"], worst }'
done
echo
checks_end
