#!/usr/bin/env bash
# scalecomp, the tests' compositor of fractional scale, proven against scaleclient
# before a real program is put in front of it: a client that draws as it should at
# 1.25, 1.5, 1.75 and 2, at whole scales without fractional ones (--whole), at a size of
# its own (--free), across a new scale (--rescale) and with the scale told only after
# its first buffer (--late) passes every check, each of its
# buffers written as a picture of the device size with the client's own pixels
# (orientation, stride, the pool's offset, frame by frame), and the compositor ends with
# its client, 0; each fault of a client (the scale left out or rounded down, no
# viewport, a buffer scale beside a fractional scale, a buffer written or attached
# again while held, no ack or a wrong one, damage short of the change, a translucent
# pixel, a new scale not taken) is named in one exact line, exit 1; SIGTERM ends it at
# once, 0; bad command lines are refused, 2, and a socket it cannot make is exit 1.
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

# at_scale WxH SCALE: the size times the scale, each side rounded half up.
at_scale() {
  awk -v s="$2" -v wh="$1" 'BEGIN { split(wh, a, "x"); printf "%dx%d\n", int(a[1] * s + 0.5), int(a[2] * s + 0.5) }'
}

log "a client that draws as it should"
# scale | the surface's size | format | the buffer's size (half away from zero) | another
# way: the damage in the surface's coordinates, full screen after the first frame |
# scalecomp's options: no fractional scales (the buffer scale instead of a viewport), a
# configure of 0x0 (the client picks 320x240 on an output of 641x479)
good=(
  "1.25|641x479|xrgb|801x599||"
  "1.25|642x481|argb|803x601|surface-damage|"
  "1.5|641x479|argb|962x719||"
  "1.5|641x479|xrgb|962x719|surface-damage|"
  "1.75|641x479|xrgb|1122x838|fullscreen|"
  "1.75|333x257|xrgb|583x450|surface-damage|"
  "2|641x479|xrgb|1282x958||"
  "1.5|320x240|xrgb|480x360||--free"
  "1|641x479|argb|641x479||--whole"
  "2|641x479|xrgb|1282x958||--whole"
  "3|333x257|xrgb|999x771|surface-damage|--whole"
)
for row in "${good[@]}"; do
  IFS='|' read -r scale size format device way options <<<"$row"
  name=good-$scale-$size-$format${way:+-$way}${options:+$options}
  output=$size configured=$size viewport=$size buffer_scale=1
  [ "$options" == --free ] && output=641x479 configured=0x0
  [ "$options" == --whole ] && viewport=none buffer_scale=$scale
  mkdir -p "$run/$name"
  # shellcheck disable=SC2086  # the options are words
  serve "$name" "$output" "$scale" --shots "$run/$name" $options || { fail "$name: no socket"; continue; }
  paint "$name" 3 "$format" ${way:+"$way"}
  expect_eq "$name: the client's exit code" 0 "$rc"
  configures="configure $configured"
  [ "$way" == fullscreen ] && configures+=$'\n'"configure $configured fullscreen"
  expect_eq "$name: the configures" "$configures" "$(cat "$run/$name-client.out")"
  served 5 || { fail "$name: scalecomp runs on after its client"; continue; }
  expect_eq "$name: scalecomp's exit code" 0 "$served_rc"
  expect_eq "$name: no check failed" "" "$(cat "$run/$name.err")"
  commit="$device ${format^^}8888 viewport $viewport buffer scale $buffer_scale damage $device+0+0"
  expect_eq "$name: what scalecomp saw" "scalecomp: $name at $output, scale $scale: $(at_scale "$output" "$scale")
toplevel: title scaleclient
toplevel: app id scaleclient
commit 000: $commit
commit 001: $commit
commit 002: $commit
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

log "a new scale, taken at the next frame"
# scale | options | the sizes of commits 0 to 3 (641x479: a viewport at 641x479, or the
# buffer scale of its whole scale) | the scale told after a commit. Told late, the first
# buffer comes at the output's whole scale (2 for 1.5).
rescales=(
  "1.25|--rescale 1 1.75|801x599 801x599 1122x838 1122x838|1.75 after commit 001"
  "1.75|--rescale 0 1.5|1122x838 962x719 962x719 962x719|1.5 after commit 000"
  "1|--whole --rescale 1 2|641x479 641x479 1282x958 1282x958|2 after commit 001"
  "1.5|--late|1282x958 962x719 962x719 962x719|1.5 after commit 000"
  "2|--whole --late|1282x958 1282x958 1282x958 1282x958|"
)
for row in "${rescales[@]}"; do
  IFS='|' read -r scale options sizes told <<<"$row"
  read -ra words <<<"$options"
  name=rescale-$scale${options//[ -]/}
  mkdir -p "$run/$name"
  serve "$name" 641x479 "$scale" --shots "$run/$name" "${words[@]}" || { fail "$name: no socket"; continue; }
  paint "$name" 4 xrgb
  expect_eq "$name: the client's exit code" 0 "$rc"
  served 5 || { fail "$name: scalecomp runs on after its client"; continue; }
  expect_eq "$name: no check failed, exit code 0" "0 " "$served_rc $(cat "$run/$name.err")"
  expect_eq "$name: the scale told" "${told:+scalecomp: scale $told}" "$(grep '^scalecomp: scale ' "$run/$name.out")"
  expect_eq "$name: the buffers' sizes" "$sizes" \
    "$(awk '/^commit / { printf "%s%s", sep, $3; sep = " " }' "$run/$name.out")"
  expect_eq "$name: the last picture's size" "${sizes##* }" "$(identify -format '%wx%h' "$run/$name/commit-003.png")"
done

log "a client's faults, each in one line"
# fault | scale | format | the first line on stderr | checks failed | the client's exit
# code (1: the compositor ended its connection) | scalecomp's options; at 641x479
faults=(
  "logical|1.5|xrgb|commit 000: a buffer of 641x479, expected 962x719 (641x479 at scale 1.5)|3|0"
  "floor|1.5|xrgb|commit 000: a buffer of 961x718, expected 962x719 (641x479 at scale 1.5)|3|0"
  "floor|1.75|xrgb|commit 000: a buffer of 1121x838, expected 1122x838 (641x479 at scale 1.75)|3|0"
  "no-viewport|1.5|xrgb|commit 000: no viewport destination, expected 641x479|3|0"
  "part-source|1.25|xrgb|commit 000: a viewport source of 400x299.5+0+0, not the whole 801x599 buffer|3|0"
  "buffer-scale|1.5|xrgb|commit 000: no viewport destination, expected 641x479|6|0"
  "one-buffer|1.5|xrgb|commit 000's buffer attached again before its release|4|0"
  "write-held|1.5|xrgb|commit 000's buffer was written while held, before commit 001 (the first pixel changed at 0,0)|2|0"
  "redraw-held|1.5|xrgb|commit 000's buffer was written while held, before a commit without a buffer after commit 000 (the first pixel changed at 0,0)|5|0"
  "short-stride|1.5|xrgb|commit 000: a stride of 3844 bytes for 962 pixels|1|1"
  "no-ack|1.5|xrgb|commit 000: a buffer before the toplevel's configure was acked|3|0"
  "bad-ack|1.5|xrgb|an ack of configure 1001, which was not sent|1|1"
  "half-damage|1.5|xrgb|commit 001: pixels changed outside its damage (the first at 481,0)|2|0"
  "third-surface-damage|1.5|xrgb|commit 001: pixels changed outside its damage (the first at 320,0)|2|0"
  "translucent|1.5|argb|commit 000: the ARGB8888 buffer has pixels that are not opaque (1, the first at 0,0)|3|0"
  "no-rescale|1.25|xrgb|the scale 1.75 told after commit 001 was not taken (commits after it at the size before: 1)|1|0|--rescale 1 1.75"
  "no-rescale|1.5|xrgb|the scale 1.5 told after commit 000 was not taken (commits after it at the size before: 2)|1|0|--late"
  "tiny-first|1.5|xrgb|commit 000: a buffer of 5x4, smaller than its surface of 641x479 before a scale was told|1|0|--late"
  "logical|2|xrgb|commit 000: a surface of 320x239 (a buffer of 641x479 at buffer scale 2), expected 641x479|3|0|--whole"
  "logical|1.5|xrgb|commit 000: a buffer of 320x240, expected 480x360 (320x240 at scale 1.5)|3|0|--free"
)
for row in "${faults[@]}"; do
  IFS='|' read -r fault scale format first count client_rc options <<<"$row"
  read -ra words <<<"$options"
  name=$fault-$scale${options:+-${options//[ -]/}}
  serve "$name" 641x479 "$scale" "${words[@]}" || { fail "$name: no socket"; continue; }
  paint "$name" 3 "$format" "$fault"
  expect_eq "$name: the client's exit code" "$client_rc" "$rc"
  served 5 || { fail "$name: scalecomp runs on after its client"; continue; }
  expect_eq "$name: scalecomp's exit code" 1 "$served_rc"
  expect_eq "$name: the first line" "scalecomp: $first" "$(head -1 "$run/$name.err")"
  expect_eq "$name: the last line" "scalecomp: $count checks failed" "$(tail -1 "$run/$name.err")"
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
  "bad 641x479 1.5 --whole|scalecomp: --whole takes whole scales only"
  "bad 641x479 2 --whole --rescale 1 1.5|scalecomp: --whole takes whole scales only"
  "bad 641x479 1.5 --rescale x 2|scalecomp: --rescale N must be a commit, from 0"
  "bad 641x479 1.5 --rescale -1 2|scalecomp: --rescale N must be a commit, from 0"
  "bad 641x479 1.5 --rescale 1 9|scalecomp: SCALE must be a multiple of 1/120 from 1 to 8"
  "bad 641x479 1.5 --rescale 1|scalecomp: wrong arguments"
  "bad 641x479 1.5 --frees|scalecomp: wrong arguments"
  "bad 641x479 1.5 --unsaid|scalecomp: --unsaid takes scale 1 only"
  "bad 641x479 1 --unsaid --rescale 1 2|scalecomp: --unsaid takes scale 1 only"
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
