#!/usr/bin/env bash
# What the running saver costs the machine, measured side by side with a bare
# program that has the same timer and does next to nothing at each tick.
#
#   tools/footprint.sh [--seconds N] [--intervals "2000 1000 500"] [--repeat N] [--quick]
#                      [--windows | --versus-wine | --wayland] [--dreieck PATH] [--scr PATH]
#                      [--bare-work clear|none] [--prefix DIR] [--work DIR] [--keep]
#
# Modes (each route on its own Xvfb of 1920x1080, both routes running at once):
#   (default)      build/host/dreieck --fullscreen --interval MS   against bench/bare_x11.c
#   --windows      Dreieck.scr /s under Wine (Geschwindigkeit = MS) against bench/bare_win.c under Wine
#   --versus-wine  build/host/dreieck --fullscreen                 against Dreieck.scr /s under Wine
#   --wayland      build/host/dreieck --saver on sway headless (one output of 1920x1080; its
#                  compositor in the server's column) against build/host/dreieck --fullscreen on Xvfb
#
# Each run starts both routes, waits until both windows are up and one whole cycle
# (11 ticks) has gone by, then measures for N seconds (default 60): the CPU time of
# each process from /proc/PID/task/*/schedstat (time on a CPU, in ns) as % of one
# core, its voluntary context switches (its wake-ups) per second and per tick, and
# its resident memory at the end and how much it grew from the start of the
# measurement (after the first cycle); "steps" counts the one-second samples in which
# the resident memory rose above every sample before. A route's whole cost counts
# the program, its X server and, under Wine, the wineserver and every Windows process
# of the prefix (services.exe, explorer.exe, winedevice.exe, plugplay.exe, rpcss.exe,
# svchost.exe, ...). Every interval is measured --repeat times (default 3); the table
# shows the median and, in brackets, the minimum of the runs.
#
# The raw figures go to results.tsv in the work folder, one line per route and run;
# tools/footprint-report.sh prints the tables from it (at the end of every run, and
# again from a results.tsv kept with --keep).
#
# --quick: 5 s at 500 ms, once (a smoke test; also exits 1 when a route fails).
# --bare-work: what the bare programs do at a tick: clear (default: clear the whole
#   window, one request that makes the X server touch every pixel) or none.
# --prefix DIR: copy this Wine prefix instead of making one (about 20 s); a prefix
#   made here takes about 25 MB (tools/lib/wine.sh, slim_prefix) in the work folder.
# --work DIR: where the runs keep their files (default: a new folder under $TMPDIR,
#   removed at the end unless --keep).
# Exit: 0 measured; 1 a program or display failed; 2 bad usage.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=SCRIPTDIR/lib/process.sh
source "$root/tools/lib/process.sh"
# shellcheck source=SCRIPTDIR/lib/display.sh
source "$root/tools/lib/display.sh"
# shellcheck source=SCRIPTDIR/lib/wine.sh
source "$root/tools/lib/wine.sh"
# shellcheck source=SCRIPTDIR/lib/wayland.sh
source "$root/tools/lib/wayland.sh"
# shellcheck source=SCRIPTDIR/lib/pixels.sh
source "$root/tools/lib/pixels.sh"
# shellcheck disable=SC2034  # read by log: the tables alone go to the standard output
LOG_FD=2
seconds=60
intervals="2000 1000 500"
repeat=3
mode=linux
dreieck=$root/build/host/dreieck
scr=$root/build/win/Dreieck.scr
bare_work=clear
template_prefix=""
work=""
keep=0

usage() { sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; }
bad_usage() {
  echo "footprint: $1" >&2
  usage >&2
  exit 2
}
is_count() { [[ $1 =~ ^[1-9][0-9]{0,5}$ ]]; }

while [ $# -gt 0 ]; do
  case $1 in
    --seconds) is_count "${2:-}" || bad_usage "--seconds takes a whole number of seconds"; seconds=$2; shift ;;
    --intervals)
      [[ ${2:-} =~ ^[0-9]+( [0-9]+)*$ ]] || bad_usage "--intervals takes milliseconds, e.g. \"2000 500\""
      for ms in $2; do ((ms >= 500 && ms <= 5000)) || bad_usage "an interval is 500..5000 ms"; done
      intervals=$2; shift ;;
    --repeat) is_count "${2:-}" || bad_usage "--repeat takes a whole number"; repeat=$2; shift ;;
    --quick) seconds=5; intervals=500; repeat=1 ;;
    --windows) mode=windows ;;
    --versus-wine) mode=versus ;;
    --wayland) mode=wayland ;;
    --dreieck) [ -n "${2:-}" ] || bad_usage "--dreieck takes a path"; dreieck=$2; shift ;;
    --scr) [ -n "${2:-}" ] || bad_usage "--scr takes a path"; scr=$2; shift ;;
    --bare-work) [[ ${2:-} =~ ^(clear|none)$ ]] || bad_usage "--bare-work takes clear or none"; bare_work=$2; shift ;;
    --prefix) [ -f "${2:-}/system.reg" ] || bad_usage "--prefix takes a Wine prefix"; template_prefix=$2; shift ;;
    --work) [ -n "${2:-}" ] || bad_usage "--work takes a folder"; work=$2; shift ;;
    --keep) keep=1 ;;
    --help | -h) usage; exit 0 ;;
    *) bad_usage "unknown option: $1" ;;
  esac
  shift
done

case $mode in
  linux) routes=(saver bare_x11) ;;
  windows) routes=(scr bare_win) ;;
  versus) routes=(saver scr) ;;
  wayland) routes=(wayland saver) ;;
esac
needs_wine=0
[ "$mode" = windows ] || [ "$mode" = versus ] && needs_wine=1
needs_linux=0
[ "$mode" != windows ] && needs_linux=1

tools=(Xvfb xwininfo cc)
[ "$mode" = wayland ] && tools+=(sway swaymsg grim convert)
[ $needs_wine = 1 ] && tools+=(wine wineserver wineboot x86_64-w64-mingw32-gcc)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "footprint: $tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done
[ $needs_linux = 1 ] && [ ! -x "$dreieck" ] && { echo "footprint: no program at $dreieck (build it: cmake --build build/host)"; exit 1; }
[ $needs_wine = 1 ] && [ ! -f "$scr" ] && { echo "footprint: no Dreieck.scr at $scr (build it, or name it with --scr)"; exit 1; }

if [ -z "$work" ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/dreieck-footprint.XXXXXX") || exit 1
  made_work=1
else
  mkdir -p "$work" || exit 1
  made_work=0
fi
work=$(cd "$work" && pwd)

# ---- Cleanup: everything this script starts ends with it ----
started=()        # pids of programs and X servers
prefixes=()       # Wine prefixes whose wineserver may run
stop_all() {
  local p
  [ -n "${pause_pid:-}" ] && kill "$pause_pid" 2>/dev/null
  for p in "${prefixes[@]}"; do wine_stop "$p"; done
  for p in "${started[@]}"; do stop_pid "$p"; done
  started=()
  sway_stop
}
cleanup() {
  stop_all
  if [ $keep = 0 ] && [ "$made_work" = 1 ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# ---- Wine ----
# in_prefix PREFIX COMMAND...: a command in the environment of that prefix (wine_env,
# HOME beside it); nothing else of this script carries WINEPREFIX, so the prefix's
# processes are those that do.
in_prefix() { (wine_env "$1" "$1.home" && shift && exec "$@"); }
new_prefix() {  # new_prefix DIR: a new prefix, small (make_prefix), or a copy of --prefix
  local prefix=$1
  mkdir -p "$prefix.home"
  if [ -n "$template_prefix" ]; then
    cp -a "$template_prefix" "$prefix" || return 1
    return 0
  fi
  (wine_env "$prefix" "$prefix.home" && make_prefix "$prefix.setup")
}
# The processes of a prefix: every process whose environment names it.
prefix_pids() {
  local p
  for p in /proc/[0-9]*; do
    grep -qzxF "WINEPREFIX=$1" "$p/environ" 2>/dev/null && echo "${p#/proc/}"
  done
}

# ---- /proc ----
cpu_ns() {  # time on a CPU of all threads of a process, in ns (0 when gone)
  local f v rest sum=0
  for f in /proc/"$1"/task/*/schedstat; do
    read -r v rest <"$f" 2>/dev/null && sum=$((sum + v))
  done
  echo $sum
}
wakeups() {  # voluntary context switches of all threads of a process
  local f k v sum=0
  for f in /proc/"$1"/task/*/status; do
    while read -r k v; do
      [ "$k" = "voluntary_ctxt_switches:" ] && sum=$((sum + v))
    done <"$f" 2>/dev/null
  done
  echo $sum
}
rss_kb() {
  local k v
  while read -r k v _; do
    [ "$k" = "VmRSS:" ] && { echo "$v"; return; }
  done <"/proc/$1/status" 2>/dev/null
  echo 0
}
now_ns() { date +%s%N; }
# Sleeps so that a signal to this script ends it at once (a foreground sleep would
# hold its trap back until the sleep is over).
pause_pid=""
pause() {
  sleep "$1" &
  pause_pid=$!
  wait "$pause_pid"
  pause_pid=""
}

# ---- Routes ----
declare -A XPID DISPLAYS PID PREFIX TITLE
screen=1920x1080
start_display() {  # start_display ROUTE: the route's Xvfb (or sway), its files in WORK/ROUTE.xvfb/
  local r=$1 ok=0
  if [ "$r" = wayland ]; then
    # sway headless; the process measured as the route's server is sway itself.
    rm -rf "$work/$r.sway"
    sway_start "$work/$r.sway" "$screen" || { echo "footprint: sway did not start"; return 1; }
    XPID[$r]=$sway_pid
    [ -z "$sway_user" ] || XPID[$r]=$(pgrep -u "$sway_user" -x sway | head -1)
    DISPLAYS[$r]=$WAYLAND_DISPLAY
    return 0
  fi
  xvfb_start "$work/$r.xvfb" "${screen}x24" || ok=1
  XPID[$r]=$xvfb_pid
  DISPLAYS[$r]=$xvfb_display
  started+=("${XPID[$r]}")
  [ $ok = 0 ] || echo "footprint: Xvfb for $r did not start: $(cat "$work/$r.xvfb/xvfb.log")"
  return $ok
}

# The X window of that title on the route's display exists; on Wayland, the saver's
# triangle shows.
has_window() {
  if [ "$1" = wayland ]; then
    wl_shot HEADLESS-1 "$work/wayland.png" && [ "$(count '#FF0000' "$work/wayland.png")" -gt 0 ]
    return
  fi
  DISPLAY=${DISPLAYS[$1]} xwininfo -root -tree 2>/dev/null | grep -q "\"${TITLE[$1]}\": ("
}

start_route() {  # start_route ROUTE INTERVAL
  local r=$1 ms=$2
  case $r in
    saver)
      TITLE[$r]=Dreieck
      DREIECK_DISPLAY=x11 DISPLAY=${DISPLAYS[$r]} "$dreieck" --fullscreen --interval "$ms" >"$work/$r.out" 2>&1 &
      PID[$r]=$!
      started+=("${PID[$r]}") ;;
    wayland)
      TITLE[$r]="the saver's surface"
      WAYLAND_DISPLAY=${DISPLAYS[$r]} "$dreieck" --saver --interval "$ms" >"$work/$r.out" 2>&1 &
      PID[$r]=$!
      started+=("${PID[$r]}") ;;
    bare_x11)
      TITLE[$r]=bare_x11
      DISPLAY=${DISPLAYS[$r]} "$work/bare_x11" --interval "$ms" --work "$bare_work" >"$work/$r.out" 2>&1 &
      PID[$r]=$!
      started+=("${PID[$r]}") ;;
    scr)
      TITLE[$r]=myScreenSaver
      in_prefix "${PREFIX[$r]}" env DISPLAY="${DISPLAYS[$r]}" timeout 60 wine reg add "$SETTINGS_KEY" \
        /v Geschwindigkeit /t REG_DWORD /d "$ms" /f >"$work/$r.reg.out" 2>&1 ||
        { echo "footprint: wine reg add failed"; return 1; }
      in_prefix "${PREFIX[$r]}" env DISPLAY="${DISPLAYS[$r]}" wine "$scr" /s >"$work/$r.out" 2>&1 &
      PID[$r]="" ;;
    bare_win)
      TITLE[$r]=bare_win
      in_prefix "${PREFIX[$r]}" env DISPLAY="${DISPLAYS[$r]}" wine "$work/bare_win.exe" "$ms" "$bare_work" \
        >"$work/$r.out" 2>&1 &
      PID[$r]="" ;;
  esac
}

# The Windows program's own process among the prefix's: the one whose command line
# names the program.
find_wine_program() {  # find_wine_program ROUTE
  local r=$1 name p
  [ "$r" = scr ] && name=$(basename "$scr") || name=bare_win.exe
  for p in $(prefix_pids "${PREFIX[$r]}"); do
    if tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qF "$name"; then
      [ "$(cat "/proc/$p/comm" 2>/dev/null)" != wine ] && { PID[$r]=$p; return 0; }
    fi
  done
  return 1
}

stop_route() {
  local r=$1
  if [ -n "${PREFIX[$r]:-}" ]; then
    wine_stop "${PREFIX[$r]}"
  elif [ -n "${PID[$r]:-}" ]; then
    stop_pid "${PID[$r]}"
  fi
  if [ "$r" = wayland ]; then sway_stop; else stop_pid "${XPID[$r]}"; fi
}

# ---- Preparation ----
if [ "$mode" = linux ]; then
  cc -O2 -o "$work/bare_x11" "$root/bench/bare_x11.c" -lX11 || { echo "footprint: cannot build bare_x11"; exit 1; }
fi
if [ "$mode" = windows ]; then
  x86_64-w64-mingw32-gcc -Os -s -mwindows -o "$work/bare_win.exe" "$root/bench/bare_win.c" ||
    { echo "footprint: cannot build bare_win.exe"; exit 1; }
fi
if [ $needs_wine = 1 ]; then
  for r in "${routes[@]}"; do
    case $r in scr | bare_win) ;; *) continue ;; esac
    PREFIX[$r]=$work/prefix-$r
    prefixes+=("${PREFIX[$r]}")
    if [ -z "$template_prefix" ] && [ "$r" != "${routes[0]}" ] && [ -n "${PREFIX[${routes[0]}]:-}" ]; then
      cp -a "${PREFIX[${routes[0]}]}" "${PREFIX[$r]}" && mkdir -p "${PREFIX[$r]}.home" || exit 1
    else
      [ -n "$template_prefix" ] && log "copying the Wine prefix for $r" || log "making a Wine prefix for $r"
      new_prefix "${PREFIX[$r]}" || { echo "footprint: cannot make a Wine prefix"; exit 1; }
    fi
  done
fi

results=$work/results.tsv
{
  echo "# mode: $mode"
  echo "# seconds: $seconds"
  echo "# repeat: $repeat"
  echo "# routes: ${routes[*]}"
  echo "# bare-work: $bare_work"
  echo "# screen: $screen"
  echo "# machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(date -u '+%Y-%m-%d %H:%M UTC')"
  printf '%s\t' interval run route cpu_pct wakeups_per_s wakeups_per_tick rss_kb rss_growth_kb rss_steps x_cpu_pct \
    helpers_cpu_pct route_cpu_pct
  printf '%s\n' helper_wakeups_per_s
} >"$results"
failures=0

# ---- One run: both routes side by side ----
run_once() {  # run_once INTERVAL REPETITION
  local ms=$1 rep=$2 r ok=1
  for r in "${routes[@]}"; do start_display "$r" || return 1; done
  for r in "${routes[@]}"; do start_route "$r" "$ms" || ok=0; done
  for r in "${routes[@]}"; do
    # A Linux program that ended will show none.
    if ! wait_until 60 "${PID[$r]}" has_window "$r"; then
      echo "footprint: $r showed no window titled ${TITLE[$r]}; its output:"
      tail -5 "$work/$r.out" | sed 's/^/  /'
      ok=0
    fi
    if [ -n "${PREFIX[$r]:-}" ] && ! find_wine_program "$r"; then
      echo "footprint: no process of the Windows program $r"
      ok=0
    fi
  done
  if [ $ok = 0 ]; then
    for r in "${routes[@]}"; do stop_route "$r"; done
    return 1
  fi
  # One whole cycle first: the program has drawn every figure once.
  pause "$(awk -v ms="$ms" 'BEGIN { printf "%.3f", (11 * ms + 500) / 1000 }')"

  # The processes of each route and their counters at the start.
  declare -A c0 w0 members
  local pid t0 t1
  for r in "${routes[@]}"; do
    members[$r]="${PID[$r]} ${XPID[$r]}"
    [ -n "${PREFIX[$r]:-}" ] && members[$r]="${PID[$r]} ${XPID[$r]} $(prefix_pids "${PREFIX[$r]}" | grep -vx "${PID[$r]}" | tr '\n' ' ')"
  done
  t0=$(now_ns)
  for r in "${routes[@]}"; do
    for pid in ${members[$r]}; do
      c0[$pid]=$(cpu_ns "$pid")
      w0[$pid]=$(wakeups "$pid")
    done
  done
  declare -A rss0 rssmax steps
  for r in "${routes[@]}"; do
    rss0[$r]=$(rss_kb "${PID[$r]}")
    rssmax[$r]=${rss0[$r]}
    steps[$r]=0
  done
  # The measurement, with the resident memory sampled once a second.
  local end=$(($(date +%s) + seconds)) rss
  while [ "$(date +%s)" -lt $end ]; do
    pause 1
    for r in "${routes[@]}"; do
      rss=$(rss_kb "${PID[$r]}")
      if [ "$rss" -gt "${rssmax[$r]}" ]; then
        rssmax[$r]=$rss
        steps[$r]=$((steps[$r] + 1))
      fi
    done
  done
  t1=$(now_ns)
  local elapsed=$((t1 - t0))
  for r in "${routes[@]}"; do
    if ! alive "${PID[$r]}"; then
      echo "footprint: $r ended during the measurement; its output:"
      tail -5 "$work/$r.out" | sed 's/^/  /'
      ok=0
      continue
    fi
    local main_cpu main_wake x_cpu other_cpu=0 other_wake=0 c w
    main_cpu=$(($(cpu_ns "${PID[$r]}") - c0[${PID[$r]}]))
    main_wake=$(($(wakeups "${PID[$r]}") - w0[${PID[$r]}]))
    x_cpu=$(($(cpu_ns "${XPID[$r]}") - c0[${XPID[$r]}]))
    if [ -n "${PREFIX[$r]:-}" ]; then
      # Wine's processes now, counted from 0 when they came up during the measurement.
      for pid in $(prefix_pids "${PREFIX[$r]}"); do
        [ "$pid" = "${PID[$r]}" ] && continue
        c=$(cpu_ns "$pid")
        w=$(wakeups "$pid")
        other_cpu=$((other_cpu + c - ${c0[$pid]:-0}))
        other_wake=$((other_wake + w - ${w0[$pid]:-0}))
      done
    fi
    rss=$(rss_kb "${PID[$r]}")
    # interval rep route cpu% wake/s wake/tick rss_end growth steps x_cpu% helpers_cpu% route_cpu% helper_wake/s
    awk -v ms="$ms" -v rep="$rep" -v r="$r" -v el="$elapsed" -v mc="$main_cpu" -v mw="$main_wake" -v xc="$x_cpu" \
      -v oc="$other_cpu" -v ow="$other_wake" -v rss="$rss" -v rss0="${rss0[$r]}" -v steps="${steps[$r]}" 'BEGIN {
        s = el / 1e9
        printf "%d\t%d\t%s\t%.4f\t%.3f\t%.3f\t%d\t%d\t%d\t%.4f\t%.4f\t%.4f\t%.3f\n", ms, rep, r, 100 * mc / el,
          mw / s, mw / s * ms / 1000, rss, rss - rss0, steps, 100 * xc / el, 100 * oc / el,
          100 * (mc + xc + oc) / el, ow / s
      }' >>"$results"
  done
  for r in "${routes[@]}"; do stop_route "$r"; done
  [ $ok = 1 ]
}

for ms in $intervals; do
  for rep in $(seq 1 "$repeat"); do
    log "interval $ms ms, run $rep of $repeat: ${routes[*]} for $seconds s after one cycle"
    if ! run_once "$ms" "$rep"; then
      failures=$((failures + 1))
    fi
  done
done

# ---- The tables ----
"$root/tools/footprint-report.sh" "$results"
echo
echo "raw runs: $results$([ $keep = 0 ] && [ "$made_work" = 1 ] && echo " (removed; keep it with --keep)")"
if [ $failures -ne 0 ]; then
  echo "footprint: $failures run(s) failed"
  exit 1
fi
exit 0
