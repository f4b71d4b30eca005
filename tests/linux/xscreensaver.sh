#!/usr/bin/env bash
# dreieck as a display mode of the real XScreenSaver daemon, on an Xvfb of its own.
#
# The daemon launches no display modes as root, so it runs as a throw-away user with a
# home of its own whose ~/.xscreensaver holds one mode: this build's dreieck with
# --root --interval 500. After `xscreensaver-command -activate` the screenshots must show
# the red triangle first and then the constructions in their colours and order, in the
# daemon's window. `-deactivate` must end the mode within a few seconds, and the daemon's
# log must hold nothing from the mode: no X error, no abnormal exit, no output of its own.
#
# Env: DREIECK_BIN (default build/host/dreieck). Needs root (for the user); exits 77
# (skipped) without xscreensaver or without root.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../e2e/lib.sh
source "$here/../e2e/lib.sh"

for tool in xscreensaver xscreensaver-command; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (Debian package xscreensaver)"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make a throw-away user: the daemon runs no modes as root"; exit 77; }
bin=${DREIECK_BIN:-$top/build/host/dreieck}
[ -x "$bin" ] || { echo "FAIL: no program at $bin (set DREIECK_BIN)"; exit 1; }
for tool in Xvfb import convert useradd userdel runuser pgrep; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done

E2E_RUN=$(mktemp -d /tmp/xscreensaver.XXXXXX)
run=$E2E_RUN
chmod 755 "$run"
user=dxs$$
home=$run/home
daemon_pid=""
user_made=no
# shellcheck disable=SC2317  # runs from the trap
cleanup() {
  local pid
  if [ "$user_made" == yes ]; then
    # Everything the throw-away user runs was started by this test.
    for pid in $(pgrep -u "$user"); do kill -KILL "$pid" 2>/dev/null; done
  fi
  if [ -n "$daemon_pid" ]; then kill -KILL "$daemon_pid" 2>/dev/null; wait "$daemon_pid" 2>/dev/null; fi
  if [ -n "$E2E_XVFB_PID" ]; then kill "$E2E_XVFB_PID" 2>/dev/null; wait "$E2E_XVFB_PID" 2>/dev/null; fi
  if [ "$user_made" == yes ]; then
    sleep 0.2
    userdel "$user" 2>>"$run/userdel.err" || echo "warning: could not remove the user $user"
  fi
  if [ "$E2E_FAILURES" -eq 0 ]; then rm -rf "$run"; fi
}
trap cleanup EXIT

# The program where the user may run it.
mkdir -p "$run/bin" "$home"
cp "$bin" "$run/bin/dreieck" && chmod 755 "$run/bin" "$run/bin/dreieck" || exit 1
useradd -M -d "$home" -s /usr/sbin/nologin "$user" 2>"$run/useradd.err" || { cat "$run/useradd.err"; exit 1; }
user_made=yes
cat >"$home/.xscreensaver" <<EOF
mode:		one
selected:	0
lock:		False
splash:		False
fade:		False
unfade:		False
timeout:	1:00:00
programs:						      \\
  $run/bin/dreieck --root --interval 500 \\n\\

EOF
chown -R "$user:" "$home"
start_xvfb "$run" || exit 1

as_user() {  # as_user COMMAND...: in the user's own clean environment
  runuser -u "$user" -- env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 DISPLAY="$DISPLAY" HOME="$home" "$@"
}
xs_command() { as_user timeout 10 xscreensaver-command "$@" >>"$run/command.out" 2>&1; }
modes() { pgrep -u "$user" -x dreieck; }  # pids of the running mode

as_user xscreensaver --no-splash --log "$home/xscreensaver.log" >"$run/daemon.out" 2>&1 &
daemon_pid=$!
for i in $(seq 1 50); do
  xs_command -version && break
  kill -0 "$daemon_pid" 2>/dev/null || break
  sleep 0.2
done
xs_command -version || { cat "$run/daemon.out"; fail "the daemon did not come up"; e2e_end; }
log "daemon $daemon_pid on $DISPLAY as $user"

# The colours of the cycle in the order the constructions appear: triangle, medians,
# incircle, circumcircle, altitudes, nine-point circle, Euler line, excircles.
order=("#FF0000" "#FF8000" "#0000FF" "#008000" "#00FF00" "#FFFF00" "#00FFFF" "#0080FF")
xs_command -activate || fail "xscreensaver-command -activate"
# Screenshots as fast as they come for 10 s (the daemon's start and one whole cycle of
# 11 ticks of 500 ms), looked at afterwards.
start=$SECONDS
n=0
mode_pid=""
mode_args=""
mode_window=""
while [ $((SECONDS - start)) -lt 10 ]; do
  n=$((n + 1))
  shot "shot-$n"
  if [ -z "$mode_pid" ]; then
    mode_pid=$(modes | head -1)
    if [ -n "$mode_pid" ]; then
      mode_args=$(tr '\0' ' ' 2>/dev/null <"/proc/$mode_pid/cmdline")
      mode_window=$(tr '\0' '\n' 2>/dev/null <"/proc/$mode_pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
    fi
  fi
done
log "$n screenshots in $((SECONDS - start)) s"
declare -A first=()     # colour -> number of the first screenshot that shows it
for ((i = 1; i <= n; i++)); do
  histogram "$run/shot-$i.png" >"$run/shot-$i.txt"
  while read -r colour; do
    [ -z "${first[$colour]:-}" ] && first[$colour]=$i
  done < <(awk '$1 >= 10 { print $2 }' "$run/shot-$i.txt")
done

if [ -n "${first['#FF0000']:-}" ]; then
  pass "the red triangle shows (screenshot ${first['#FF0000']})"
  expect_eq "the saver's background is black" "#000000" \
    "$(sort -rn "$run/shot-${first['#FF0000']}.txt" | awk 'NR == 1 { print $2 }')"
else
  fail "no red triangle within 10 s of -activate"
fi
missing=()
for colour in "${order[@]}"; do [ -n "${first[$colour]:-}" ] || missing+=("$colour"); done
expect_eq "every construction's colour appeared" "" "${missing[*]}"
# Each colour appears no earlier than the one before it.
previous=0
in_order=yes
for colour in "${order[@]}"; do
  at=${first[$colour]:-}
  [ -n "$at" ] || continue
  if [ "$at" -lt "$previous" ]; then
    fail "$colour appeared in screenshot $at, before the construction ahead of it ($previous)"
    in_order=no
  fi
  previous=$at
done
[ "$in_order" == yes ] && pass "the colours appeared in the order of the cycle"
if [ -n "${first['#FF0000']:-}" ] && [ -n "${first['#0080FF']:-}" ] && [ "${first['#0080FF']}" -gt "${first['#FF0000']}" ]; then
  pass "the constructions followed the triangle"
else
  fail "the excircles did not come after the triangle"
fi

# The daemon ran our program with its window, as a mode does.
if [ -n "$mode_pid" ]; then
  expect_eq "the mode's command line" "$run/bin/dreieck --root --interval 500 " "$mode_args"
  if [[ $mode_window =~ ^0x[0-9a-fA-F]+$ ]]; then
    pass "the mode draws into XSCREENSAVER_WINDOW=$mode_window"
  else
    fail "XSCREENSAVER_WINDOW is [$mode_window]"
  fi
else
  fail "no dreieck process of $user while active"
fi

xs_command -deactivate || fail "xscreensaver-command -deactivate"
gone=no
for i in $(seq 1 50); do
  if [ -z "$(modes)" ]; then gone=yes; break; fi
  sleep 0.1
done
expect_eq "the mode ended within 5 s of -deactivate" yes "$gone"
sleep 0.5

# Every line of the log comes from XScreenSaver's own programs or its banner; the mode
# is named only where the daemon starts and stops it.
logfile=$home/xscreensaver.log
if [ -s "$logfile" ]; then
  grep -nE -v '^(xscreensaver[-a-z]*: |#|[[:space:]]|$)' "$logfile" >"$run/foreign.txt"
  grep -nE -i 'x error|Bad(Window|Drawable|Match|Value|Alloc|Access|GC|Pixmap|Atom|Font|Name|Length|Implementation)|segmentation|core dumped|abort' \
    "$logfile" >"$run/xerrors.txt"
  grep -nE '\(([^)]*/)?dreieck\)' "$logfile" | grep -vE 'killing pid [0-9]+ \(' >"$run/mode-status.txt"
  expect_eq "log: output of the mode" "" "$(cat "$run/foreign.txt")"
  expect_eq "log: X errors or crashes" "" "$(cat "$run/xerrors.txt")"
  expect_eq "log: the mode's exit reported" "" "$(cat "$run/mode-status.txt")"
  if grep -qF "forked \"$run/bin/dreieck --root --interval 500\"" "$logfile"; then
    pass "log: the daemon started the mode"
  else
    fail "log: no line where the daemon starts the mode"
  fi
else
  fail "the daemon wrote no log"
fi

xs_command -exit || fail "xscreensaver-command -exit"
for i in $(seq 1 100); do
  kill -0 "$daemon_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$daemon_pid" 2>/dev/null; then
  fail "the daemon still runs 10 s after -exit"
else
  wait "$daemon_pid"
  daemon_pid=""
  pass "the daemon ended"
fi
e2e_end
