# shellcheck shell=bash
# The ticks of one cycle of dreieck: what each shows, and a screenshot of each, taken
# on an X display or in a browser. Sourced by the tools and the tests.
# shellcheck source=/dev/null  # the scripts name process.sh and pixels.sh themselves for shellcheck
source "$(dirname "${BASH_SOURCE[0]}")/process.sh"
# shellcheck source=/dev/null
source "$(dirname "${BASH_SOURCE[0]}")/pixels.sh"

# cycle_ticks BIN OPTION...: what each tick of one cycle of BIN shows with these
# options, one a line: the triangle, each construction that is on (in the order of
# BIN --help, whose lines name them; the last of --NAME and --no-NAME counts), two
# quiet ticks, and the erase with the caption.
cycle_ticks() {
  local bin=$1 name what on arg
  shift
  echo "the triangle"
  while IFS='|' read -r name what; do
    on=yes
    for arg in "$@"; do
      [[ "$arg" =~ ^--?$name$ ]] && on=yes
      [[ "$arg" =~ ^--?no-$name$ ]] && on=no
    done
    [ "$on" == yes ] && echo "$what"
  done < <(constructions "$bin")
  printf '%s\n' quiet quiet "the erase with the caption"
}

# constructions BIN: the constructions of BIN --help in their order, one a line as
# NAME|WHAT IT SHOWS ("medians|the medians and the centroid").
constructions() {
  "$1" --help | awk '
    /^  --\[no-\]/ { name = $1; sub(/^--\[no-\]/, "", name); what = $0; sub(/^ *[^ ]+ */, "", what) }
    /^  --\[no-\]/ && what == "" { next }  # a long name: what it is follows on the next line
    name != "" { if (what == "") { what = $0; sub(/^ */, "", what) }
                 sub(/ \(on\)$/, "", what); print name "|" what; name = "" }'
}

# every_construction_off BIN: the options that switch every construction of BIN off,
# one a line.
every_construction_off() {
  local name what
  while IFS='|' read -r name what; do echo "--no-$name"; done < <(constructions "$1")
}

# photograph_cycle OUT SNAP [WHAT...]: a screenshot of every tick of one cycle,
# OUT/tick-00.png, tick-01.png, ...: `SNAP K FILE` takes tick K (0, 1, ...) into FILE
# and answers 0 when the cycle goes on after it, 10 when it was the cycle's last tick,
# anything else when it could not take it. WHATs, when given, say what each tick shows:
# the cycle must have as many ticks (without them, at most 100). The screenshots are taken into OUT.new, which
# replaces OUT only when the whole cycle is there; then says where they are (and what
# each shows). False, with OUT as it was, when a tick was not taken or the cycle had
# another number of ticks.
photograph_cycle() {
  local out=$1 snap=$2 k=0 rc=0
  shift 2
  local most=$#
  [ "$most" -gt 0 ] || most=100
  rm -rf "$out.new"
  mkdir -p "$out.new" || return 1
  while [ "$rc" -eq 0 ] && [ "$k" -lt "$most" ]; do
    "$snap" "$k" "$out.new/$(printf 'tick-%02d.png' "$k")"
    rc=$?
    k=$((k + 1))
  done
  if [ "$rc" -eq 0 ]; then
    printf 'run: the cycle had not ended at tick-%02d.png\n' $((k - 1)) >&2
  elif [ "$rc" -eq 10 ] && [ $# -gt 0 ] && [ "$k" -ne $# ]; then
    printf 'run: the cycle ended at tick-%02d.png, not at tick-%02d.png\n' $((k - 1)) $(($# - 1)) >&2
  elif [ "$rc" -eq 10 ]; then
    rm -rf "$out" && mv "$out.new" "$out" || return 1
    if [ $# -eq 0 ]; then
      printf 'run: a whole cycle is in %s: tick-00.png (the first tick) to tick-%02d.png (the last)\n' "$out" $((k - 1))
      return 0
    fi
    echo "run: a whole cycle is in $out:"
    for ((k = 0; k < $#; k++)); do printf '  tick-%02d.png  %s\n' "$k" "${@:k+1:1}"; done
    return 0
  fi
  rm -rf "$out.new"
  return 1
}

# The ticks of a program on the X display $DISPLAY, for photograph_cycle: the first
# tick draws the triangle's red (#FF0000), the next ones follow every interval from
# there, and the last, the erase, leaves no red.
#
# display_first_tick PID INTERVAL SCRATCH: waits until the display shows red (probing
# it as often as it can, into the file SCRATCH); when the tick came, the middle between
# the moments of the last probe without red and the first with it (the middle of each
# capture), in milliseconds, is $tick_first. False when the program PID ended first or
# no red came within INTERVAL milliseconds and 5 s.
display_first_tick() {
  tick_pid=$1 tick_interval=$2
  local scratch=$3 start before probe previous
  start=$(now_ms)
  previous=$start
  tick_first=""
  while alive "$tick_pid" && [ $(($(now_ms) - start)) -lt $((tick_interval + 5000)) ]; do
    before=$(now_ms)
    timeout 20 import -window root -depth 8 "ppm:$scratch" 2>/dev/null
    probe=$(((before + $(now_ms)) / 2))
    if [ "$(count "#FF0000" "$scratch")" -gt 0 ]; then
      tick_first=$(((previous + probe) / 2))
      break
    fi
    previous=$probe
  done
  rm -f "$scratch"
  [ -n "$tick_first" ]
}
# display_tick K FILE: a SNAP for photograph_cycle after display_first_tick: the
# display halfway between tick K and the next; the cycle's last when it shows no red.
# Fails when the program has ended.
display_tick() {
  local target=$((tick_first + $1 * tick_interval + tick_interval / 2))
  while [ "$(now_ms)" -lt "$target" ]; do sleep 0.02; done
  alive "$tick_pid" && timeout 20 import -window root "$2" 2>/dev/null || return 1
  [ "$(count "#FF0000" "$2")" -gt 0 ] || return 10
}

# distinct_frames DIR: the PPMs of the pictures of DIR/tick-*.png (made beside them),
# each that differs from the one before, one a line.
distinct_frames() {
  local f last=""
  for f in "$1"/tick-*.png; do
    convert "$f" -depth 8 "${f%.png}.ppm" || return 1
    if [ -z "$last" ] || ! cmp -s "${f%.png}.ppm" "$last"; then
      echo "${f%.png}.ppm"
      last=${f%.png}.ppm
    fi
  done
}
# shown_in_order FRAMES GRAB...: how many of the FRAMES (a file of PPMs, one a line, as
# distinct_frames lists them) the GRABs (PPMs, in the order they were taken) showed in
# their order from the first on, each grab being the frame shown last or the next one
# (grabs before the first frame and after the last pass). Prints the count; after the
# first frame a grab
# that is neither ends it, with "; GRAB is not FRAME: N pixels differ" after the count.
shown_in_order() {
  local frames=() grab shown=-1
  mapfile -t frames <"$1"
  shift
  for grab in "$@"; do
    [ "$shown" -ge 0 ] && cmp -s "$grab" "${frames[shown]}" && continue
    if [ $((shown + 1)) -lt ${#frames[@]} ] && cmp -s "$grab" "${frames[shown + 1]}"; then
      shown=$((shown + 1))
      [ "$shown" -eq $((${#frames[@]} - 1)) ] && break
    elif [ "$shown" -ge 0 ]; then
      echo "$((shown + 1)); ${grab##*/} is not ${frames[shown + 1]##*/}:" \
        "$(compare -metric AE "$grab" "${frames[shown + 1]}" null: 2>&1) pixels differ"
      return 0
    fi
  done
  echo "$((shown + 1))"
}
