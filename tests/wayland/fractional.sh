#!/usr/bin/env bash
# dreieck on Wayland at fractional scales, through scalecomp (the tests' own compositor,
# which offers what Debian's compositors do not): at 1.25, 1.5 and 1.75, on odd logical
# sizes, in a window and full screen, with the clock standing at one second, every
# buffer dreieck shows from its first tick on is one of the frames `dreieck --frames`
# draws for that second at the device size (the logical size times the scale, rounded
# half away from zero), in their order up to the erase, each of them shown; and every
# check of scalecomp holds for every commit: that size, the viewport's destination at
# the logical size, buffer scale 1, a buffer neither attached again nor written while
# held, nothing changed outside the damage. dreieck ends at SIGTERM, 0, and its
# toplevel has the title Dreieck and the desktop entry's app id.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_SCALECOMP (default
# build/host/tests/wayland/scalecomp), DREIECK_APP_ID (default org.example.dreieck),
# DREIECK_SANITIZE (1: no frozen clock, libfaketime does not start under the
# sanitizers; the checks of scalecomp alone, over a few ticks).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
bin=${DREIECK_BIN:-$top/build/host/dreieck}
[ -x "$bin" ] || { echo "FAIL: no program at $bin (set DREIECK_BIN)"; exit 1; }
wayland_begin fractional convert faketime
export HOME=$run/home
mkdir -p "$HOME"
frozen=1
[ "${DREIECK_SANITIZE:-0}" == 1 ] && frozen=0
faketime_lib=(/usr/lib/*/faketime/libfaketime.so.1)
when="2021-03-04 05:07:54"

# A picture as 8-bit RGB (PPM), to compare byte by byte: a buffer shown over black is
# the same whether its PNG has alpha or not.
ppm() { convert "$1" -depth 8 "ppm:$2"; }

# follow NAME SECONDS: the pictures scalecomp writes into RUN/NAME/ as they come,
# against the frames in RUN/NAME-frames/ (made PPM, each differing from the one before,
# in $frames): up to 7 pictures before the first frame are passed over; from there on
# each is the frame shown before it or the next one, up to the last frame. False, with
# a failure line, at a picture that is neither, at a fault scalecomp names, or when
# SECONDS passed first.
follow() {
  local name=$1 deadline shown=-1 k=0 shot
  deadline=$(($(now_ms) + $2 * 1000))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    shot=$(printf '%s/%s/commit-%03d.png' "$run" "$name" "$k")
    # A fault scalecomp names ends the wait: no later picture makes up for it.
    [ -s "$run/$name.err" ] && { fail "$name: scalecomp after $k pictures: $(head -1 "$run/$name.err")"; return 1; }
    if [ ! -e "$shot" ]; then
      alive "$dreieck_pid" || { fail "$name: dreieck ended after $k pictures"; return 1; }
      sleep 0.1
      continue
    fi
    ppm "$shot" "$run/$name/shot.ppm"
    k=$((k + 1))
    [ "$shown" -ge 0 ] && cmp -s "$run/$name/shot.ppm" "${frames[shown]}" && continue
    if cmp -s "$run/$name/shot.ppm" "${frames[shown + 1]}"; then
      shown=$((shown + 1))
      [ "$shown" -eq $((${#frames[@]} - 1)) ] && { pass "$name: ${shot##*/} is the erase, each of the ${#frames[@]} frames came"; return 0; }
    elif [ "$shown" -ge 0 ]; then
      fail "$name: ${shot##*/} after ${frames[shown]##*/} is not ${frames[shown + 1]##*/}:" \
        "$(compare -metric AE "$run/$name/shot.ppm" "${frames[shown + 1]}" null: 2>&1) pixels differ"
      return 1
    elif [ "$k" -ge 8 ]; then
      # Before its first tick dreieck shows its black window once or twice.
      fail "$name: none of the first $k pictures is ${frames[0]##*/}:" \
        "$(compare -metric AE "$run/$name/shot.ppm" "${frames[0]}" null: 2>&1) pixels of the last differ"
      return 1
    fi
  done
  local last=none
  [ "$shown" -ge 0 ] && last=${frames[shown]##*/}
  fail "$name: $k pictures in $2 s, the last frame shown $last of ${#frames[@]}"
  return 1
}

# scale | logical size | device size | where dreieck draws
rows=(
  "1.25|641x479|801x599|window"
  "1.5|641x479|962x719|fullscreen"
  "1.75|641x479|1122x838|window"
  "1.5|333x257|500x386|window"
  "1.75|801x601|1402x1052|fullscreen"
)
for row in "${rows[@]}"; do
  IFS='|' read -r scale size device mode <<<"$row"
  name=$mode-$scale-$size
  log "$name"
  mkdir -p "$run/$name" "$run/$name-frames"
  options=(--interval 500)
  [ "$mode" == fullscreen ] && options+=(--fullscreen)
  frames=()
  if [ "$frozen" == 1 ]; then
    "$bin" --frames "$run/$name-frames" --size "$device" --time "$when" >"$run/$name-frames.out" 2>&1 ||
      { fail "$name: --frames failed"; continue; }
    for f in "$run/$name-frames"/tick-*.png; do
      ppm "$f" "${f%.png}.ppm"
      [ ${#frames[@]} -gt 0 ] && cmp -s "${f%.png}.ppm" "${frames[-1]}" || frames+=("${f%.png}.ppm")
    done
  fi
  serve "$name" "$size" "$scale" --shots "$run/$name" || { fail "$name: no socket"; continue; }
  if [ "$frozen" == 1 ]; then
    env TZ=UTC LD_PRELOAD="${faketime_lib[0]}" FAKETIME="$when" DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
      "$bin" "${options[@]}" >"$run/$name-dreieck.out" 2>"$run/$name-dreieck.err" &
  else
    "$bin" "${options[@]}" >"$run/$name-dreieck.out" 2>"$run/$name-dreieck.err" &
  fi
  dreieck_pid=$!
  pids+=("$dreieck_pid")
  if [ "$frozen" == 1 ]; then
    follow "$name" $((${#frames[@]} + 20))
  else
    wait_until 20 "$dreieck_pid" test -e "$run/$name/commit-003.png" || fail "$name: fewer than 4 commits in 20 s"
  fi
  kill -TERM "$dreieck_pid" 2>/dev/null
  if wait_end "$dreieck_pid" 5; then
    expect_eq "$name: dreieck's exit code at SIGTERM" 0 "$ended_rc"
    expect_eq "$name: nothing on dreieck's stderr" "" "$(cat "$run/$name-dreieck.err")"
  else
    fail "$name: dreieck still runs 5 s after SIGTERM"
  fi
  if served 5; then
    expect_eq "$name: scalecomp's checks held" "0 " "$served_rc $(cat "$run/$name.err")"
  else
    fail "$name: scalecomp runs on after dreieck"
  fi
  expect_eq "$name: the title and app id" "toplevel: title Dreieck
toplevel: app id ${DREIECK_APP_ID:-org.example.dreieck}" "$(grep '^toplevel: ' "$run/$name.out")"
  # Every commit at the device size, the viewport at the logical size.
  expect_eq "$name: commits of another size" "" "$(grep '^commit ' "$run/$name.out" | grep -v ": $device [AX]RGB8888 viewport $size ")"
done

checks_end
