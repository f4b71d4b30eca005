#!/usr/bin/env bash
# scalecomp, the tests' compositor of fractional scale, proven against scaleclient
# before a real program is put in front of it: a client that draws as it should at
# 1.25, 1.5, 1.75 and 2 passes every check, each of its buffers written as a picture
# of the device size with the client's own pixels (orientation, stride, the pool's
# offset, frame by frame), and the compositor ends with its client, 0; each fault of a
# client (the scale left out or rounded down, no viewport, an integer buffer scale, a
# buffer written or attached again while held, no ack, damage short of the change, a
# translucent pixel) is named in one exact line, exit 1; SIGTERM ends it at once, 0;
# bad command lines are refused, 2, and a socket it cannot make is exit 1.
#
# Env: DREIECK_SCALECOMP, DREIECK_SCALECLIENT (default build/host/tests/wayland/...).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
client=${DREIECK_SCALECLIENT:-$top/build/host/tests/wayland/scaleclient}
wayland_begin scalecomp convert
[ -x "$client" ] || { echo "FAIL: no client at $client (set DREIECK_SCALECLIENT)"; exit 1; }

# paint NAME FRAMES ARGS...: scaleclient FRAMES ARGS... against the compositor of
# WAYLAND_DISPLAY, its output in RUN/NAME-client.*; its exit code in $rc.
paint() {
  local name=$1
  shift
  timeout 20 "$client" "$@" >"$run/$name-client.out" 2>"$run/$name-client.err"
  rc=$?
}

log "a client that draws as it should"
# scale | logical size | format | the buffer's size (half away from zero) | another way:
# the damage in the surface's coordinates, full screen after the first frame
good=(
  "1.25|641x479|xrgb|801x599|"
  "1.25|642x481|argb|803x601|surface-damage"
  "1.5|641x479|argb|962x719|"
  "1.5|641x479|xrgb|962x719|surface-damage"
  "1.75|641x479|xrgb|1122x838|fullscreen"
  "1.75|333x257|xrgb|583x450|surface-damage"
  "2|641x479|xrgb|1282x958|"
)
for row in "${good[@]}"; do
  IFS='|' read -r scale size format device way <<<"$row"
  name=good-$scale-$size-$format${way:+-$way}
  mkdir -p "$run/$name"
  serve "$name" "$size" "$scale" --shots "$run/$name" || { fail "$name: no socket"; continue; }
  paint "$name" 3 "$format" ${way:+"$way"}
  expect_eq "$name: the client's exit code" 0 "$rc"
  configures="configure $size"
  [ "$way" == fullscreen ] && configures+=$'\n'"configure $size fullscreen"
  expect_eq "$name: the configures" "$configures" "$(cat "$run/$name-client.out")"
  served 5 || { fail "$name: scalecomp runs on after its client"; continue; }
  expect_eq "$name: scalecomp's exit code" 0 "$served_rc"
  expect_eq "$name: no check failed" "" "$(cat "$run/$name.err")"
  format_name=${format^^}8888
  expect_eq "$name: what scalecomp saw" "scalecomp: $name at $size, scale $scale: $device
toplevel: title scaleclient
toplevel: app id scaleclient
commit 000: $device $format_name viewport $size damage $device+0+0
commit 001: $device $format_name viewport $size damage $device+0+0
commit 002: $device $format_name viewport $size damage $device+0+0
scalecomp: 3 commits with a buffer" "$(cat "$run/$name.out")"
  expect_eq "$name: the pictures" "commit-000.png commit-001.png commit-002.png" \
    "$(cd "$run/$name" && echo *)"
  # Pixel X,Y of frame K: red X, green Y (mod 256), blue 40 K.
  IFS=x read -r w h <<<"$device"
  r=$(printf '%02X' $(((w - 1) % 256))) g=$(printf '%02X' $(((h - 1) % 256)))
  expect_eq "$name: frame 0, the top-left pixel" "#000000" "$(pixel "$run/$name/commit-000.png" 0 0)"
  expect_eq "$name: frame 0, the bottom-right pixel" "#$r${g}00" \
    "$(pixel "$run/$name/commit-000.png" $((w - 1)) $((h - 1)))"
  expect_eq "$name: frame 1 (the second buffer), the top-right pixel" "#${r}0028" \
    "$(pixel "$run/$name/commit-001.png" $((w - 1)) 0)"
  expect_eq "$name: frame 2, the bottom-left pixel" "#00${g}50" "$(pixel "$run/$name/commit-002.png" 0 $((h - 1)))"
  expect_eq "$name: the picture's size" "$device" "$(identify -format '%wx%h' "$run/$name/commit-002.png")"
done

log "a client's faults, each in one line"
# fault | scale | format | the first line on stderr | checks failed | the client's exit
# code (1: the compositor ended its connection); at 641x479
faults=(
  "logical|1.5|xrgb|commit 000: a buffer of 641x479, expected 962x719 (641x479 at scale 1.5)|3|0"
  "floor|1.5|xrgb|commit 000: a buffer of 961x718, expected 962x719 (641x479 at scale 1.5)|3|0"
  "floor|1.75|xrgb|commit 000: a buffer of 1121x838, expected 1122x838 (641x479 at scale 1.75)|3|0"
  "no-viewport|1.5|xrgb|commit 000: no viewport destination, expected 641x479|3|0"
  "part-source|1.25|xrgb|commit 000: a viewport source of 400x299.5+0+0, not the whole 801x599 buffer|3|0"
  "buffer-scale|1.5|xrgb|commit 000: a buffer of 1282x958, expected 962x719 (641x479 at scale 1.5)|9|0"
  "one-buffer|1.5|xrgb|commit 000's buffer attached again before its release|4|0"
  "write-held|1.5|xrgb|commit 000's buffer was written while held, before commit 001 (the first pixel changed at 0,0)|2|0"
  "no-ack|1.5|xrgb|commit 000: a buffer before the toplevel's configure was acked|3|0"
  "bad-ack|1.5|xrgb|an ack of configure 1001, which was not sent|1|1"
  "half-damage|1.5|xrgb|commit 001: pixels changed outside its damage (the first at 481,0)|2|0"
  "third-surface-damage|1.5|xrgb|commit 001: pixels changed outside its damage (the first at 320,0)|2|0"
  "translucent|1.5|argb|commit 000: the ARGB8888 buffer has pixels that are not opaque (1, the first at 0,0)|3|0"
)
for row in "${faults[@]}"; do
  IFS='|' read -r fault scale format first count client_rc <<<"$row"
  serve "$fault" 641x479 "$scale" || { fail "$fault: no socket"; continue; }
  paint "$fault" 3 "$format" "$fault"
  expect_eq "$fault: the client's exit code" "$client_rc" "$rc"
  served 5 || { fail "$fault: scalecomp runs on after its client"; continue; }
  expect_eq "$fault: scalecomp's exit code" 1 "$served_rc"
  expect_eq "$fault: the first line" "scalecomp: $first" "$(head -1 "$run/$fault.err")"
  expect_eq "$fault: the last line" "scalecomp: $count checks failed" "$(tail -1 "$run/$fault.err")"
done

log "SIGTERM ends it while a client draws"
mkdir -p "$run/term"
if serve term 641x479 1.75 --shots "$run/term"; then
  timeout 30 "$client" 2000 >"$run/term-client.out" 2>"$run/term-client.err" &
  client_pid=$!
  pids+=("$client_pid")
  wait_until 5 "$client_pid" test -e "$run/term/commit-005.png" || fail "term: no sixth commit within 5 s"
  kill -TERM "$comp_pid"
  if served 3; then
    expect_eq "term: scalecomp's exit code" 0 "$served_rc"
    expect_eq "term: no check failed" "" "$(cat "$run/term.err")"
  else
    fail "term: scalecomp still runs 3 s after SIGTERM"
  fi
  wait_end "$client_pid" 3 && expect_eq "term: the client's exit code, its display gone" 1 "$ended_rc"
  expect_eq "term: no half-written picture" "" "$(cd "$run/term" && find . -mindepth 1 -name '.*')"
else
  fail "term: no socket"
fi

log "a picture that cannot be written"
if serve noshots 641x479 1.25 --shots "$run/nowhere"; then
  paint noshots 1
  served 5 || fail "noshots: scalecomp runs on after its client"
  expect_eq "noshots: exit code" 1 "$served_rc"
  expect_eq "noshots: the line" "scalecomp: cannot write $run/nowhere/commit-000.png: error while writing to output stream
scalecomp: 1 checks failed" "$(cat "$run/noshots.err")"
else
  fail "noshots: no socket"
fi

log "bad command lines"
# arguments | the first line on stderr
bad=(
  "bad|scalecomp: wrong arguments"
  "bad 641x479 1.5 --shots|scalecomp: wrong arguments"
  "bad 641x479 1.5 --shot x|scalecomp: wrong arguments"
  "bad 0x479 1.5|scalecomp: WxH must be two sizes from 1 to 4096"
  "bad 641x4097 1.5|scalecomp: WxH must be two sizes from 1 to 4096"
  "bad 641 1.5|scalecomp: WxH must be two sizes from 1 to 4096"
  "bad 641x479x2 1.5|scalecomp: WxH must be two sizes from 1 to 4096"
  "bad 641x479 1.33|scalecomp: SCALE must be a multiple of 1/120 from 1 to 8"
  "bad 641x479 0.5|scalecomp: SCALE must be a multiple of 1/120 from 1 to 8"
  "bad 641x479 8.5|scalecomp: SCALE must be a multiple of 1/120 from 1 to 8"
  "bad 641x479 1.5x|scalecomp: SCALE must be a multiple of 1/120 from 1 to 8"
)
for row in "${bad[@]}"; do
  IFS='|' read -r args line <<<"$row"
  read -ra words <<<"$args"
  timeout 5 "$scalecomp" "${words[@]}" >"$run/bad.out" 2>"$run/bad.err"
  rc=$?
  expect_eq "$args: exit code" 2 "$rc"
  expect_eq "$args: the first line" "$line" "$(head -1 "$run/bad.err")"
  [ -e "$XDG_RUNTIME_DIR/bad" ] && fail "$args: left a socket behind"
done
# The largest size it takes, and a socket in use.
serve taken 1x4096 1.5 || fail "taken: no socket at 1x4096"
timeout 5 "$scalecomp" taken 641x479 1.5 >"$run/taken2.out" 2>"$run/taken2.err"
expect_eq "a socket in use: exit code" 1 "$?"
expect_eq "a socket in use: the line" "scalecomp: cannot make the socket taken in XDG_RUNTIME_DIR ($XDG_RUNTIME_DIR)" \
  "$(tail -1 "$run/taken2.err")"
kill -TERM "$comp_pid"
served 3 && expect_eq "taken: exit code at SIGTERM without a client" 0 "$served_rc"

checks_end
