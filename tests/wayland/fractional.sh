#!/usr/bin/env bash
# dreieck on Wayland at fractional scales, through scalecomp (the tests' own compositor,
# which offers what Debian's compositors do not): at 1.25, 1.5 and 1.75, on odd logical
# sizes, in a window, full screen and as the saver, with the clock standing at one
# second, every buffer dreieck shows from its first tick on is one of the frames
# `dreieck --frames` draws for that second at the device size (the logical size times
# the scale, rounded half away from zero), in their order up to the erase, each of them
# shown; and every check of scalecomp holds for every commit: that size, the
# viewport's destination at the logical size, buffer scale 1, a buffer neither attached
# again nor written while held, nothing changed outside the damage. The same at whole scales 1 and 2 where the
# compositor offers no fractional ones (the buffer scale instead of a viewport), at a
# size dreieck chooses itself (a configure of 0x0: the output's size, at most 800x600),
# with the scale told only after the first buffer (as wlroots tells it), and across a
# new scale told while it runs (the erase after it at the new device size). dreieck
# ends at SIGTERM, 0, and its toplevel has the title Dreieck and the desktop entry's
# app id.
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
      if [ "$shown" -eq $((${#frames[@]} - 1)) ]; then
        pass "$name: ${shot##*/} is the erase, each of the ${#frames[@]} frames came"
        return 0
      fi
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

# make_frames NAME DEVICE: dreieck --frames of the frozen second at the device size
# (with the options in $drawing) into RUN/NAME-frames/, each that differs from the one
# before as PPM in $frames.
make_frames() {
  frames=()
  "$bin" --frames "$run/$1-frames" --size "$2" --time "$when" "${drawing[@]}" >"$run/$1-frames.out" 2>&1 ||
    { fail "$1: --frames failed: $(head -1 "$run/$1-frames.out")"; return 1; }
  local f
  for f in "$run/$1-frames"/tick-*.png; do
    ppm "$f" "${f%.png}.ppm"
    [ ${#frames[@]} -gt 0 ] && cmp -s "${f%.png}.ppm" "${frames[-1]}" || frames+=("${f%.png}.ppm")
  done
}

# erase_after NAME SECONDS: after the new scale, a picture at the new size is the
# erase (the last frame), the same whatever the triangle was: true when one came
# within SECONDS.
erase_after() {
  local name=$1 deadline k shot
  deadline=$(($(now_ms) + $2 * 1000))
  k=$(($(sed -n 's/^scalecomp: scale .* after commit \([0-9]*\)$/\1/p' "$run/$name.out" | sed 's/^0*//') + 1))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    shot=$(printf '%s/%s/commit-%03d.png' "$run" "$name" "$k")
    if [ -e "$shot" ]; then
      ppm "$shot" "$run/$name/shot.ppm"
      if cmp -s "$run/$name/shot.ppm" "${frames[-1]}"; then
        pass "$name: ${shot##*/} is the erase at the new size"
        return 0
      fi
      k=$((k + 1))
    else
      sleep 0.1
    fi
  done
  fail "$name: no erase at the new size after the new scale within $2 s"
  return 1
}

# scale | the output's logical size | the window's logical size | its device size |
# where dreieck draws (--saver: a full-screen toplevel, as scalecomp has no layer shell) |
# scalecomp's options: no fractional scales (the output's whole scale through the
# buffer scale), a configure that leaves the size to dreieck (800x600 at most the
# output; "-": as it chooses), the preferred scale and the output's enter told only once
# the first buffer is shown (as wlroots tells them), no output scale told at all (the
# protocol's 1), a new scale after commit 4 (the device size after it). The Euler line runs to the edges of the output
# (GetDeviceCaps' screen), which --frames of a smaller window's size cannot know: where
# the window is smaller, both leave it out.
rows=(
  "1.25|641x479|641x479|801x599|window|"
  "1.5|641x479|641x479|962x719|fullscreen|"
  "1.75|641x479|641x479|1122x838|window|"
  "1.5|333x257|333x257|500x386|window|"
  "1.75|801x601|801x601|1402x1052|fullscreen|"
  "1.75|641x479|641x479|1122x838|saver|"
  "1|641x479|641x479|641x479|window|--whole"
  "2|641x479|641x479|1282x958|fullscreen|--whole"
  "2|641x479|641x479|1282x958|window|--whole --free"
  "1.25|1441x1081|800x600|1000x750|window|--free"
  "1.25|641x479|641x479|801x599|window|--free"
  "1.5|641x479|641x479|962x719|window|--late"
  "2|641x479|641x479|1282x958|window|--whole --late"
  "1|641x479|641x479|641x479|window|--whole --unsaid"
  "2|641x479|641x479|1282x958|window|--whole --free --late"
  "1.25|641x479|641x479|1122x838|window|--rescale 4 1.75"
)
for row in "${rows[@]}"; do
  IFS='|' read -r scale output size device mode scalecomp_options <<<"$row"
  read -ra words <<<"$scalecomp_options"
  name=$mode-$scale-${size/#-/own}${scalecomp_options:+-${scalecomp_options//[ -]/}}
  log "$name"
  mkdir -p "$run/$name" "$run/$name-frames"
  drawing=()
  [ "$size" != "$output" ] && drawing=(--no-euler-line)
  options=(--interval 500 "${drawing[@]}")
  [ "$mode" != window ] && options+=("--$mode")
  viewport=$size buffer_scale=1
  [ "${words[0]:-}" == --whole ] && viewport=none buffer_scale=$scale
  if [ "$frozen" == 1 ] && [ "$device" != - ]; then make_frames "$name" "$device" || continue; fi
  serve "$name" "$output" "$scale" --shots "$run/$name" "${words[@]}" || { fail "$name: no socket"; continue; }
  if [ "$frozen" == 1 ]; then
    env TZ=UTC LD_PRELOAD="${faketime_lib[0]}" FAKETIME="$when" DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
      "$bin" "${options[@]}" >"$run/$name-dreieck.out" 2>"$run/$name-dreieck.err" &
  else
    "$bin" "${options[@]}" >"$run/$name-dreieck.out" 2>"$run/$name-dreieck.err" &
  fi
  dreieck_pid=$!
  pids+=("$dreieck_pid")
  if [ "$size" == - ]; then
    # The size dreieck chose, from its first commit; scalecomp checks the buffer against it.
    wait_until 10 "$dreieck_pid" grep -q '^commit 000: ' "$run/$name.out"
    read -r device viewport < <(awk '/^commit 000: / { print $3, $6 }' "$run/$name.out")
    size=$viewport
    log "$name: dreieck chose ${viewport:-nothing}, ${device:-nothing} at $scale"
    if [ "$frozen" == 1 ] && [ -n "$device" ]; then make_frames "$name" "$device"; fi
  fi
  if [ "$frozen" == 0 ]; then
    wait_until 20 "$dreieck_pid" test -e "$run/$name/commit-007.png" || fail "$name: fewer than 8 commits in 20 s"
  elif [ "${words[0]:-}" == --rescale ]; then
    erase_after "$name" 20
  elif [ ${#frames[@]} -gt 0 ]; then
    follow "$name" $((${#frames[@]} + 20))
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
  # Every commit (after a new scale, the last) at the device size and the surface at
  # the logical size.
  commits=$(grep '^commit ' "$run/$name.out")
  [[ " ${words[*]} " == *" --rescale "* || " ${words[*]} " == *" --late "* ]] && commits=$(tail -1 <<<"$commits")
  expect_eq "$name: commits of another size" "" \
    "$(grep -v ": $device [AX]RGB8888 viewport $viewport buffer scale $buffer_scale " <<<"$commits")"
done

checks_end
