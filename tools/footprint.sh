#!/usr/bin/env bash
# What the running saver costs the machine, measured side by side with a bare
# program that has the same timer and does next to nothing at each tick.
#
#   tools/footprint.sh [--seconds N] [--intervals "2000 1000 500"] [--repeat N] [--quick]
#                      [--windows | --versus-wine] [--dreieck PATH] [--scr PATH]
#                      [--bare-work clear|none] [--prefix DIR] [--work DIR] [--keep]
#
# Modes (each route on its own Xvfb of 1920x1080, both routes running at once):
#   (default)      build/host/dreieck --fullscreen --interval MS   against bench/bare_x11.c
#   --windows      Dreieck.scr /s under Wine (Geschwindigkeit = MS) against bench/bare_win.c under Wine
#   --versus-wine  build/host/dreieck --fullscreen                 against Dreieck.scr /s under Wine
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
# --quick: 5 s at 500 ms, once (a smoke test; also exits 1 when a route fails).
# --bare-work: what the bare programs do at a tick: clear (default: clear the whole
#   window, one request that makes the X server touch every pixel) or none.
# --prefix DIR: copy this Wine prefix instead of making one (about 20 s); a prefix
#   made here takes about 25 MB (tests/e2e/lib.sh, slim_prefix) in the work folder.
# --work DIR: where the runs keep their files (default: a new folder under $TMPDIR,
#   removed at the end unless --keep).
# Exit: 0 measured; 1 a program or display failed; 2 bad usage.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
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
esac
needs_wine=0
[ "$mode" != linux ] && needs_wine=1
needs_linux=0
[ "$mode" != windows ] && needs_linux=1

tools=(Xvfb xwininfo cc)
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
stop_wine() {     # stop_wine PREFIX: the prefix's wineserver and with it its processes
  wine_env "$1" timeout 30 wineserver -k >/dev/null 2>&1
  wine_env "$1" timeout 30 wineserver -w >/dev/null 2>&1
}
stop_pid() {      # stop_pid PID: SIGTERM, then SIGKILL after 5 s
  local pid=$1 i
  kill -TERM "$pid" 2>/dev/null || return 0
  for i in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}
stop_all() {
  local p
  [ -n "${pause_pid:-}" ] && kill "$pause_pid" 2>/dev/null
  for p in "${prefixes[@]}"; do stop_wine "$p"; done
  for p in "${started[@]}"; do stop_pid "$p"; done
  started=()
}
cleanup() {
  stop_all
  if [ $keep = 0 ] && [ "$made_work" = 1 ]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# ---- Wine ----
# wine_env PREFIX COMMAND...: a command in the environment of that prefix; nothing
# else of this script carries WINEPREFIX, so the prefix's processes are those that do.
wine_env() {
  local prefix=$1
  shift
  env HOME="$prefix.home" WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" \
    TZ=UTC LC_ALL=C "$@"
}
make_prefix() {  # make_prefix DIR: a new prefix (or a copy of --prefix)
  local prefix=$1
  mkdir -p "$prefix.home"
  if [ -n "$template_prefix" ]; then
    cp -a "$template_prefix" "$prefix" || return 1
    return 0
  fi
  (unset DISPLAY; wine_env "$prefix" timeout 180 wineboot -i >"$prefix.wineboot.out" 2>&1) || return 1
  # No window manager on Xvfb: Wine draws frames itself, as the end-to-end tests have it.
  wine_env "$prefix" timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >"$prefix.reg.out" 2>&1
  wine_env "$prefix" timeout 60 wineserver -w
  [ -f "$prefix/system.reg" ] || return 1
  # Wine's modules as placeholders: about 25 MB instead of 700 (what the end-to-end
  # tests do; exit 2 leaves the prefix whole, 1 leaves it unusable).
  (source "$root/tests/e2e/lib.sh" && slim_prefix "$prefix") >"$prefix.slim.out" 2>&1
  [ $? -ne 1 ] || { cat "$prefix.slim.out"; return 1; }
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
  local k v u
  while read -r k v u; do
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
start_xvfb() {  # start_xvfb ROUTE
  local r=$1 i
  rm -f "$work/$r.display"
  Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp -noreset 9>"$work/$r.display" >"$work/$r.xvfb.log" 2>&1 &
  XPID[$r]=$!
  started+=("${XPID[$r]}")
  for i in $(seq 1 100); do
    if [ -s "$work/$r.display" ]; then
      DISPLAYS[$r]=":$(head -1 "$work/$r.display")"
      return 0
    fi
    kill -0 "${XPID[$r]}" 2>/dev/null || break
    sleep 0.1
  done
  echo "footprint: Xvfb for $r did not start: $(cat "$work/$r.xvfb.log")"
  return 1
}

# The X window of that title on the route's display exists.
has_window() { DISPLAY=${DISPLAYS[$1]} xwininfo -root -tree 2>/dev/null | grep -q "\"${TITLE[$1]}\": ("; }

start_route() {  # start_route ROUTE INTERVAL
  local r=$1 ms=$2
  case $r in
    saver)
      TITLE[$r]=Dreieck
      DISPLAY=${DISPLAYS[$r]} "$dreieck" --fullscreen --interval "$ms" >"$work/$r.out" 2>&1 &
      PID[$r]=$!
      started+=("${PID[$r]}") ;;
    bare_x11)
      TITLE[$r]=bare_x11
      DISPLAY=${DISPLAYS[$r]} "$work/bare_x11" --interval "$ms" --work "$bare_work" >"$work/$r.out" 2>&1 &
      PID[$r]=$!
      started+=("${PID[$r]}") ;;
    scr)
      TITLE[$r]=myScreenSaver
      wine_env "${PREFIX[$r]}" DISPLAY="${DISPLAYS[$r]}" timeout 60 wine reg add 'HKCU\Software\Morvaselkin' \
        /v Geschwindigkeit /t REG_DWORD /d "$ms" /f >"$work/$r.reg.out" 2>&1 ||
        { echo "footprint: wine reg add failed"; return 1; }
      wine_env "${PREFIX[$r]}" DISPLAY="${DISPLAYS[$r]}" wine "$scr" /s >"$work/$r.out" 2>&1 &
      PID[$r]="" ;;
    bare_win)
      TITLE[$r]=bare_win
      wine_env "${PREFIX[$r]}" DISPLAY="${DISPLAYS[$r]}" wine "$work/bare_win.exe" "$ms" "$bare_work" \
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
    stop_wine "${PREFIX[$r]}"
  elif [ -n "${PID[$r]:-}" ]; then
    stop_pid "${PID[$r]}"
  fi
  stop_pid "${XPID[$r]}"
}

# ---- Preparation ----
log() { echo "[$(date +%H:%M:%S)] $*" >&2; }

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
      make_prefix "${PREFIX[$r]}" || { echo "footprint: cannot make a Wine prefix"; exit 1; }
    fi
  done
fi

results=$work/results.tsv
: >"$results"
failures=0

# ---- One run: both routes side by side ----
run_once() {  # run_once INTERVAL REPETITION
  local ms=$1 rep=$2 r i ok=1
  for r in "${routes[@]}"; do start_xvfb "$r" || return 1; done
  for r in "${routes[@]}"; do start_route "$r" "$ms" || ok=0; done
  for r in "${routes[@]}"; do
    for i in $(seq 1 600); do
      has_window "$r" && break
      # A Linux program that ended will show none.
      [ -n "${PID[$r]}" ] && ! kill -0 "${PID[$r]}" 2>/dev/null && break
      sleep 0.1
    done
    if ! has_window "$r"; then
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
    if ! kill -0 "${PID[$r]}" 2>/dev/null; then
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

# ---- The table ----
describe() {
  case $1 in
    saver) echo "dreieck --fullscreen (Linux)" ;;
    bare_x11) echo "bare Xlib window ($bare_work)" ;;
    scr) echo "Dreieck.scr /s under Wine" ;;
    bare_win) echo "bare mingw window under Wine ($bare_work)" ;;
  esac
}
echo
echo "Footprint: mode $mode, $seconds s after the first cycle, $repeat run(s) per interval, Xvfb 1920x1080"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "each cell: median [minimum] over the runs"
for r in "${routes[@]}"; do echo "  $r = $(describe "$r")"; done
awk -F'\t' -v routes="${routes[*]}" -v mode="$mode" '
  function sortv(a, n,   i, j, t) { for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t } }
  function med(key,   n, a, i, parts) {
    n = split(vals[key], parts, " "); for (i = 1; i <= n; i++) a[i] = parts[i] + 0; sortv(a, n)
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
  function mn(key,   n, a, i, parts) {
    n = split(vals[key], parts, " "); for (i = 1; i <= n; i++) a[i] = parts[i] + 0; sortv(a, n); return a[1] }
  function cell(key, fmt) { return sprintf(fmt " [" fmt "]", med(key), mn(key)) }
  function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
  {
    ms[$1] = 1; seen[$1, $3] = 1
    for (c = 4; c <= 13; c++) vals[$1, $3, c] = vals[$1, $3, c] " " $c
  }
  END {
    n = split(routes, R, " ")
    for (m in ms) list[++k] = m + 0
    sortv(list, k)
    for (i = k; i >= 1; i--) {
      m = list[i]
      printf "\ninterval %d ms\n", m
      printf "  %-9s %-19s %-15s %-15s %-17s %-15s %-7s %-19s %-19s %-19s\n", "route", "CPU % of a core", "wake-ups/s",
        "wake-ups/tick", "RSS kB", "RSS growth kB", "steps", "X server CPU %", "Wine helpers %", "whole route %"
      for (j = 1; j <= n; j++) {
        r = R[j]
        if (!seen[m, r]) { printf "  %-9s (no measurement)\n", r; continue }
        printf "  %-9s %-19s %-15s %-15s %-17s %-15s %-7s %-19s %-19s %-19s\n", r, cell(m SUBSEP r SUBSEP 4, "%.4f"),
          cell(m SUBSEP r SUBSEP 5, "%.2f"), cell(m SUBSEP r SUBSEP 6, "%.2f"), cell(m SUBSEP r SUBSEP 7, "%d"),
          cell(m SUBSEP r SUBSEP 8, "%d"), cell(m SUBSEP r SUBSEP 9, "%d"), cell(m SUBSEP r SUBSEP 10, "%.4f"),
          (r == "scr" || r == "bare_win") ? cell(m SUBSEP r SUBSEP 11, "%.4f") : "-", cell(m SUBSEP r SUBSEP 12, "%.4f")
      }
      a = R[1]; b = R[2]
      if (seen[m, a] && seen[m, b]) {
        pa = med(m SUBSEP a SUBSEP 4); pb = med(m SUBSEP b SUBSEP 4)
        wa = med(m SUBSEP a SUBSEP 12); wb = med(m SUBSEP b SUBSEP 12)
        printf "  %s / %s (medians): process CPU x%s, whole route x%s, wake-ups per tick x%s\n", a, b, ratio(pa, pb),
          ratio(wa, wb), ratio(med(m SUBSEP a SUBSEP 6), med(m SUBSEP b SUBSEP 6))
        if (mode == "linux") {
          printf "  goal: at most 2.5 wake-ups per tick: %s (%.2f)\n", med(m SUBSEP a SUBSEP 6) <= 2.5 ? "met" : "missed",
            med(m SUBSEP a SUBSEP 6)
          printf "  goal: RSS flat after the first cycle (<= 100 kB growth in this run): %s (%d kB)\n",
            med(m SUBSEP a SUBSEP 8) <= 100 ? "met" : "missed", med(m SUBSEP a SUBSEP 8)
        } else if (mode == "windows") {
          printf "  goal: the .scr within 8x the bare window CPU: %s (x%s)\n", pa <= 8 * pb ? "met" : "missed", ratio(pa, pb)
          printf "  goal: no steps up in memory after the first cycle: %s (%d steps, %d kB)\n",
            med(m SUBSEP a SUBSEP 9) == 0 ? "met" : "missed", med(m SUBSEP a SUBSEP 9), med(m SUBSEP a SUBSEP 8)
        } else {
          printf "  goal: the Linux process uses no more CPU than the .scr process: %s (x%s)\n", pa <= pb ? "met" : "missed",
            ratio(pa, pb)
          printf "  goal: the Linux route costs at most a third of the Wine route: %s (x%s)\n", wa <= wb / 3 ? "met" : "missed",
            ratio(wa, wb)
        }
      }
    }
  }' "$results"
echo
echo "raw runs: $results$([ $keep = 0 ] && [ "$made_work" = 1 ] && echo " (removed; keep it with --keep)")"
if [ $failures -ne 0 ]; then
  echo "footprint: $failures run(s) failed"
  exit 1
fi
exit 0
