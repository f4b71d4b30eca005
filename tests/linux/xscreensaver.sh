#!/usr/bin/env bash
# dreieck as a display mode of the real XScreenSaver daemon, on an Xvfb of its own.
#
# The daemon launches no display modes as root, so it runs as a throw-away user with a
# home of its own whose ~/.xscreensaver holds one mode: this build's dreieck with
# --root --interval 500. Two displays, one daemon each:
#
# One screen (1024x768). After `xscreensaver-command -activate` the screenshots must
# show the red triangle first and then the constructions in their colours and order,
# in the daemon's window.
#
# Two screens (X screens :N.0 1024x768 and :N.1 800x600). The daemon starts one mode
# per screen, each with its own DISPLAY and its own window of that screen's size, and
# each draws its own cycle: the red triangle on each screen is the one dreieck places
# for that screen's size (checked against `--picture --size WxH --time T` for the
# seconds the run spans), and every construction follows on both.
#
# On both, `-deactivate` must end every mode within 5 s, and the daemon's log must hold
# nothing from the modes: no X error, no crash or end of their own, no output of their
# own. A mode ends with 0 on SIGTERM; xscreensaver-gfx logs that as "exited abnormally
# with status 0" when it reaps the mode before it ends itself (on a loaded machine), and
# that line after the one where it kills the mode is the end it asked for.
#
# Every wait is for what it waits for (a shot showing each colour, the modes and
# xscreensaver-gfx gone), with a bound far beyond what it takes on an idle machine.
#
# Env: DREIECK_BIN (default build/host/dreieck). Needs root (for the user); exits 77
# (skipped) without xscreensaver or without root.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$here/../lib/checks.sh"

if missing=$(missing_tool xscreensaver xscreensaver-command); then
  echo "SKIP: $missing is not installed (Debian package xscreensaver)"
  exit 77
fi
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make a throw-away user: the daemon runs no modes as root"; exit 77; }
bin=${DREIECK_BIN:-$top/build/host/dreieck}
[ -x "$bin" ] || { echo "FAIL: no program at $bin (set DREIECK_BIN)"; exit 1; }
need_tools Xvfb import convert xwininfo useradd userdel runuser pgrep

new_run xscreensaver
chmod 755 "$run"
user=dxs$$
home=$run/home
daemon_pid=""
user_made=no
analysing=()  # background jobs that look at screenshots
# shellcheck disable=SC2317  # runs from the trap
cleanup() {
  local pid
  for pid in "${analysing[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  if [ "$user_made" == yes ]; then
    # Everything the throw-away user runs was started by this test.
    for pid in $(pgrep -u "$user"); do kill -KILL "$pid" 2>/dev/null; done
  fi
  if [ -n "$daemon_pid" ]; then kill -KILL "$daemon_pid" 2>/dev/null; wait "$daemon_pid" 2>/dev/null; fi
  stop_xvfb
  if [ "$user_made" == yes ]; then
    sleep 0.2
    userdel "$user" 2>>"$run/userdel.err" || echo "warning: could not remove the user $user"
  fi
  tidy_run
}
trap cleanup EXIT

# The program where the user may run it.
mkdir -p "$run/bin" "$home"
cp "$bin" "$run/bin/dreieck" && chmod 755 "$run/bin" "$run/bin/dreieck" || exit 1
mode_line="$run/bin/dreieck --root --interval 500"
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
  $mode_line \\n\\

EOF
chown -R "$user:" "$home"

as_user() {  # as_user COMMAND...: in the user's own clean environment
  runuser -u "$user" -- env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 DISPLAY="$DISPLAY" HOME="$home" "$@"
}
xs_command() { as_user timeout 10 xscreensaver-command "$@" >>"$run/command.out" 2>&1; }
modes() { pgrep -u "$user" -x dreieck; }  # pids of the running modes
environ_of() {  # environ_of PID NAME: the value of NAME in the process's environment
  tr '\0' '\n' 2>/dev/null <"/proc/$1/environ" | sed -n "s/^$2=//p"
}

# start_daemon LOG: the daemon on $DISPLAY, writing its log to LOG, once it answers.
start_daemon() {
  as_user xscreensaver --no-splash --log "$1" >"$run/daemon.out" 2>&1 &
  daemon_pid=$!
  wait_until 10 "$daemon_pid" xs_command -version || { cat "$run/daemon.out"; fail "the daemon did not come up"; checks_end; }
  log "daemon $daemon_pid on $DISPLAY as $user"
}

# deactivate WHAT: -deactivate ends every mode within 5 s; then waits (up to 10 s) until
# xscreensaver-gfx, which started them, has ended too, so that its log is complete.
#
# The daemon hands -deactivate on to xscreensaver-gfx with SIGTERM, and that ends the
# modes with SIGTERM. XScreenSaver 6.06's xscreensaver-gfx notices its SIGTERM only
# when an X event wakes its event loop (XtNoticeSignal); now and then the signal comes
# just as it goes to sleep and it sleeps on, modes and all, until the next event (seen
# once in about 20 runs: 8 s, until -exit). So when xscreensaver-gfx still runs after
# 2 s, a second -deactivate wakes it: the daemon's reply is a property change on its
# window, which xscreensaver-gfx listens to. A mode that outlives xscreensaver-gfx
# gets no such help.
deactivate() {
  xs_command -deactivate || fail "xscreensaver-command -deactivate"
  local gone=no i
  for i in $(seq 1 50); do
    if [ -z "$(modes)" ]; then gone=yes; break; fi
    if [ "$i" -eq 20 ] && pgrep -u "$user" -f '^xscreensaver-gfx' >/dev/null; then
      log "xscreensaver-gfx still runs 2 s after -deactivate: a second -deactivate wakes it"
      xs_command -deactivate
    fi
    sleep 0.1
  done
  expect_eq "$1 ended within 5 s of -deactivate" yes "$gone"
  wait_until 10 "" gfx_gone || fail "$1: xscreensaver-gfx still runs 10 s after -deactivate"
}
gfx_gone() { ! pgrep -u "$user" -f '^xscreensaver-gfx' >/dev/null; }

# check_log LOG PREFIX: every line of the log comes from XScreenSaver's own programs or
# its banner; the mode is named only where the daemon starts and stops it.
check_log() {
  local logfile=$1 prefix=$2
  if [ ! -s "$logfile" ]; then
    fail "${prefix}the daemon wrote no log"
    return
  fi
  grep -nE -v '^(xscreensaver[-a-z]*: |#|[[:space:]]|$)' "$logfile" >"$run/foreign.txt"
  grep -nE -i 'x error|Bad(Window|Drawable|Match|Value|Alloc|Access|GC|Pixmap|Atom|Font|Name|Length|Implementation)|segmentation|core dumped|abort' \
    "$logfile" >"$run/xerrors.txt"
  # The lines that name the mode, but for its kill and the end with 0 that follows it.
  grep -nE '\(([^)]*/)?dreieck\)' "$logfile" | awk '
    { pid = "" ; for (i = 1; i < NF; i++) if ($i == "pid") pid = $(i + 1) }
    / killing pid [0-9]+ \(/ { killed[pid] = 1; next }
    / child pid [0-9]+ \(.*\) exited abnormally with status 0$/ && killed[pid] { next }
    { print }' >"$run/mode-status.txt"
  expect_eq "${prefix}log: output of the mode" "" "$(cat "$run/foreign.txt")"
  expect_eq "${prefix}log: X errors or crashes" "" "$(cat "$run/xerrors.txt")"
  expect_eq "${prefix}log: the mode's exit reported" "" "$(cat "$run/mode-status.txt")"
}

# stop_daemon PREFIX: -exit ends the daemon.
stop_daemon() {
  xs_command -exit || fail "${1}xscreensaver-command -exit"
  if ! wait_end "$daemon_pid" 10; then
    fail "${1}the daemon still runs 10 s after -exit"
  else
    daemon_pid=""
    pass "${1}the daemon ended"
  fi
}

# The colours of the cycle in the order the constructions appear: triangle, medians,
# incircle, circumcircle, altitudes, nine-point circle, Euler line, excircles.
order=("#FF0000" "#FF8000" "#0000FF" "#008000" "#00FF00" "#FFFF00" "#00FFFF" "#0080FF")

# unseen ARRAY [PREFIX]: how many colours of the cycle the associative array has no
# entry PREFIX+colour for.
unseen() {
  local -n of=$1
  local colour left=0
  for colour in "${order[@]}"; do [ -n "${of[${2:-}$colour]:-}" ] || left=$((left + 1)); done
  echo "$left"
}
screen_shot() { timeout 20 import -display "$DISPLAY.$1" -window root "$run/$2.png" 2>>"$run/import.err"; }
# photograph NAME SECONDS SCREEN...: the X screens of $DISPLAY, one after the other, as
# fast as they come, until each has shown every colour of the cycle (the daemon's start
# and one cycle of 5.5 s), for at most SECONDS. RUN/NAME-S-N.png is shot N of screen S;
# $n shots of each; seen[S,COLOUR] the first shot of screen S that shows the colour,
# taken[N] the second shot N was taken by. The shots are looked at in the background
# while the next ones are taken: on a loaded machine a shot may take a second, and a
# fixed span could end before the cycle does; looking at each before the next would
# miss the triangle alone.
declare -A seen=() taken=()
photograph() {
  local name=$1 seconds=$2 start=$SECONDS s all
  shift 2
  local screens=("$@")
  seen=() taken=() n=0 looked=0
  while [ $((SECONDS - start)) -lt "$seconds" ]; do
    n=$((n + 1))
    for s in "${screens[@]}"; do screen_shot "$s" "$name-$s-$n"; done
    taken[$n]=$EPOCHSECONDS
    analyse "$name" "$n" "${screens[@]}"
    look "$name" "${screens[@]}"
    all=yes
    for s in "${screens[@]}"; do [ "$(unseen seen "$s,")" -eq 0 ] || all=no; done
    [ "$all" == yes ] && break
  done
  log "$n screenshots of each screen in $((SECONDS - start)) s"
  wait "${analysing[@]}"
  analysing=()
  look "$name" "${screens[@]}"
}
analyse() {  # analyse NAME N SCREEN...: the histograms of each screen's shot N, in the background
  local name=$1 shot=$2
  shift 2
  (
    for s in "$@"; do
      # A shot that could not be taken or read shows nothing.
      histogram "$run/$name-$s-$shot.png" >"$run/$name-$s-$shot.tmp"
      mv "$run/$name-$s-$shot.tmp" "$run/$name-$s-$shot.txt"
    done
  ) &
  analysing+=($!)
}
look() {  # look NAME SCREEN...: takes in the shots analysed so far, in order
  local name=$1 s colour
  shift
  while [ "$looked" -lt "$n" ] && [ -f "$run/$name-${*: -1}-$((looked + 1)).txt" ]; do
    looked=$((looked + 1))
    for s in "$@"; do
      while read -r colour; do
        [ -n "${seen[$s,$colour]:-}" ] || seen[$s,$colour]=$looked
      done < <(awk '$1 >= 10 { print $2 }' "$run/$name-$s-$looked.txt")
    done
  done
}

# ---- One screen ----
start_xvfb "$run" || exit 1
start_daemon "$home/xscreensaver.log"
xs_command -activate || fail "xscreensaver-command -activate"
photograph one 30 0
mode_pid=$(modes | head -1)
mode_args=""
mode_window=""
if [ -n "$mode_pid" ]; then
  mode_args=$(tr '\0' ' ' 2>/dev/null <"/proc/$mode_pid/cmdline")
  mode_window=$(environ_of "$mode_pid" XSCREENSAVER_WINDOW)
fi
declare -A first=()  # colour -> number of the first screenshot that shows it
for colour in "${order[@]}"; do [ -z "${seen[0,$colour]:-}" ] || first[$colour]=${seen[0,$colour]}; done

if [ -n "${first['#FF0000']:-}" ]; then
  pass "the red triangle shows (screenshot ${first['#FF0000']})"
  expect_eq "the saver's background is black" "#000000" \
    "$(sort -rn "$run/one-0-${first['#FF0000']}.txt" | awk 'NR == 1 { print $2 }')"
else
  fail "no red triangle within 30 s of -activate"
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
  expect_eq "the mode's command line" "$mode_line " "$mode_args"
  if [[ $mode_window =~ ^0x[0-9a-fA-F]+$ ]]; then
    pass "the mode draws into XSCREENSAVER_WINDOW=$mode_window"
  else
    fail "XSCREENSAVER_WINDOW is [$mode_window]"
  fi
else
  fail "no dreieck process of $user while active"
fi

deactivate "the mode"
check_log "$home/xscreensaver.log" ""
if grep -qF "forked \"$mode_line\"" "$home/xscreensaver.log"; then
  pass "log: the daemon started the mode"
else
  fail "log: no line where the daemon starts the mode"
fi
stop_daemon ""

# ---- Two screens ----
# Two monitors on Xvfb are two X screens of one display: XScreenSaver 6.06 gives each X
# screen a window of its own and starts one mode per window, with DISPLAY=:N.0 and
# :N.1. (An Xvfb +xinerama with the same -screen options gives no second monitor: it
# puts every head at 0,0, and the daemon drops a head that another one encloses.)
log "two screens"
stop_xvfb
declare -A size=([0]="${display_width}x${display_height}" [1]=800x600)
start_xvfb "$run" "${size[1]}x24" || { fail "no Xvfb with two screens"; checks_end; }
start_daemon "$home/xscreensaver-2.log"
since=$((EPOCHSECONDS - 1))  # the first second a triangle of this run may be seeded from
xs_command -activate || fail "two screens: xscreensaver-command -activate"
photograph two 40 0 1

# The modes, while they still run: command line, screen, window.
mapfile -t mode_pids < <(modes)
expect_eq "two screens: dreieck processes of $user" 2 "${#mode_pids[@]}"
declare -A mode_on=()   # screen -> "PID WINDOW" of the mode that runs on it
for pid in "${mode_pids[@]}"; do
  args=$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")
  display=$(environ_of "$pid" DISPLAY)
  window=$(environ_of "$pid" XSCREENSAVER_WINDOW)
  expect_eq "two screens: the command line of mode $pid" "$mode_line " "$args"
  if [[ $window =~ ^0x[0-9a-fA-F]+$ ]] && [[ $display =~ ^$DISPLAY\.([01])$ ]]; then
    s=${BASH_REMATCH[1]}
    if [ -n "${mode_on[$s]:-}" ]; then
      fail "two screens: modes ${mode_on[$s]%% *} and $pid both run on screen $s"
    else
      mode_on[$s]="$pid $(printf '0x%x' "$((window))")"
    fi
  else
    fail "two screens: mode $pid has DISPLAY=[$display] XSCREENSAVER_WINDOW=[$window]"
  fi
done
for s in 0 1; do
  if [ -z "${mode_on[$s]:-}" ]; then
    fail "two screens: no mode runs on screen $s"
    continue
  fi
  read -r pid window <<<"${mode_on[$s]}"
  # The window is the daemon's on that screen and covers it.
  geometry=$(xwininfo -display "$DISPLAY.$s" -root -tree 2>/dev/null |
    awk -v w="$window" '$1 == w { for (i = 2; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) { print $i; exit } }')
  expect_eq "two screens: mode $pid draws into $window on screen $s, of its size" "${size[$s]}+0+0" "$geometry"
done

# corners GEOMETRY: "x0 y0 x1 y1" from ImageMagick's "WxH+X+Y" (nothing when empty).
corners() {
  [[ $1 =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -gt 0 ] &&
    echo "${BASH_REMATCH[3]} ${BASH_REMATCH[4]} $((BASH_REMATCH[3] + BASH_REMATCH[1] - 1)) $((BASH_REMATCH[4] + BASH_REMATCH[2] - 1))"
}
# placed[S,T]: "x0 y0 x1 y1" of the red of `--picture --size (screen S) --time T
# --step 0`, where dreieck puts the triangle of a cycle seeded at second T on a screen
# of that size. Made when first asked for.
declare -A placed=()
place() {  # place S T
  [ -n "${placed[$1,$2]+set}" ] && return
  placed[$1,$2]=""
  "$bin" --picture "$run/placed.png" --size "${size[$1]}" --step 0 \
    --time "$(date -u -d "@$2" '+%Y-%m-%d %H:%M:%S')" >>"$run/placed.out" 2>&1 &&
    placed[$1,$2]=$(corners "$(bbox "#FF0000" "$run/placed.png")")
}
# match S CORNERS SLACK UNTIL [ON]: sets $matched to the second, from $since to UNTIL,
# whose triangle for screen S has these corners as screen ON (default S) shows it, cut
# off at its size; each edge of the red may lie up to SLACK pixels inside the placed
# triangle's (the later constructions start at the corners and may cover a tip of the
# red outline). False when there is none.
match() {
  local s=$1 slack=$3 on=${5:-$1} t a b
  matched=""
  read -r -a a <<<"$2"
  [ "${#a[@]}" -eq 4 ] || return 1
  for ((t = $4; t >= since; t--)); do
    place "$s" "$t"
    read -r -a b <<<"${placed[$s,$t]}"
    [ "${#b[@]}" -eq 4 ] || continue
    b[2]=$((b[2] < ${size[$on]%x*} ? b[2] : ${size[$on]%x*} - 1))
    b[3]=$((b[3] < ${size[$on]#*x} ? b[3] : ${size[$on]#*x} - 1))
    if [ $((a[0] - b[0])) -ge 0 ] && [ $((a[0] - b[0])) -le "$slack" ] &&
      [ $((a[1] - b[1])) -ge 0 ] && [ $((a[1] - b[1])) -le "$slack" ] &&
      [ $((b[2] - a[2])) -ge 0 ] && [ $((b[2] - a[2])) -le "$slack" ] &&
      [ $((b[3] - a[3])) -ge 0 ] && [ $((b[3] - a[3])) -le "$slack" ]; then
      matched=$t
      return 0
    fi
  done
  return 1
}

# Each screen: its first triangle, which must be the one placed for the screen's own
# size (a mode that took the other screen's size would show the other size's triangle,
# cut off at 800x600 on screen 1), and every colour of the cycle. A shot of the
# triangle alone (before the medians) must show exactly the placed triangle; when the
# first shot of the triangle already shows more, it gets the slack.
for s in 0 1; do
  other=$((1 - s))
  i=${seen[$s,#FF0000]:-}
  if [ -n "$i" ]; then
    f="$run/two-$s-$i"
    expect_eq "two screens: the background of screen $s" "#000000" "$(sort -rn "$f.txt" | awk 'NR == 1 { print $2 }')"
    c=$(corners "$(bbox "#FF0000" "$f.png")")
    if [ "${seen[$s,#FF8000]:-0}" != "$i" ]; then
      if match "$s" "$c" 0 "${taken[$i]}"; then
        pass "two screens: screen $s (shot $i) shows the triangle placed on ${size[$s]} at second $matched: $c"
      elif match "$other" "$c" 0 "${taken[$i]}" "$s"; then
        fail "two screens: screen $s (shot $i) shows the triangle placed on ${size[$other]} at second $matched: $c"
      else
        fail "two screens: screen $s (shot $i) shows a triangle $c placed on neither size"
      fi
    elif match "$s" "$c" 12 "${taken[$i]}"; then
      pass "two screens: screen $s (shot $i, medians drawn) shows the triangle placed on ${size[$s]} at second $matched: red within $c"
    else
      fail "two screens: screen $s (shot $i, medians drawn): red within $c, in no triangle placed on ${size[$s]}"
    fi
  else
    fail "two screens: no red triangle on screen $s within 40 s of -activate"
  fi
  missing=()
  for colour in "${order[@]}"; do [ -n "${seen[$s,$colour]:-}" ] || missing+=("$colour"); done
  expect_eq "two screens: every construction's colour appeared on screen $s" "" "${missing[*]}"
done

deactivate "two screens: both modes"
check_log "$home/xscreensaver-2.log" "two screens: "
# The daemon started each mode on its screen, in its window.
for s in 0 1; do
  [ -n "${mode_on[$s]:-}" ] || continue
  read -r pid window <<<"${mode_on[$s]}"
  if grep -qF "$s: forked \"$mode_line\" in pid $pid on window $window" "$home/xscreensaver-2.log"; then
    pass "two screens: log: the daemon started mode $pid on screen $s"
  else
    fail "two screens: log: no line where the daemon starts mode $pid on screen $s in $window"
  fi
done
stop_daemon "two screens: "
checks_end
