#!/usr/bin/env bash
# The tables of tools/footprint.sh, from the raw figures it measured (its results.tsv,
# kept with --work DIR --keep).
#
#   tools/footprint-report.sh RESULTS.tsv
#
# RESULTS.tsv: lines "# NAME: VALUE" that describe the measurement (mode: linux,
# windows, versus or wayland; seconds,
# repeat, routes, bare-work, screen, machine), a line naming the columns, then one line
# per route and run: interval (ms), run, route, the process's CPU % of a core,
# wake-ups per second and per tick, RSS at the end and its growth (kB), steps up in RSS,
# the X server's CPU %, the Wine helpers' CPU %, the whole route's CPU %, the Wine
# helpers' wake-ups per second.
#
# For each interval: every route's median [minimum] over the runs, the ratios of the
# first route to the second and the goals of the mode.
# Exit: 0 printed; 2 bad usage or not such a file.
set -uo pipefail

usage() { sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; }
case ${1:-} in
  --help | -h) usage; exit 0 ;;
esac
[ $# -eq 1 ] || { echo "footprint-report: one file of figures, please" >&2; usage >&2; exit 2; }
results=$1
[ -f "$results" ] || { echo "footprint-report: no file $results" >&2; exit 2; }
meta() { sed -n "s/^# $1: //p" "$results" | head -1; }
mode=$(meta mode) seconds=$(meta seconds) repeat=$(meta repeat) bare_work=$(meta bare-work)
screen=$(meta screen) machine=$(meta machine)
read -r -a routes <<<"$(meta routes)"
if ! [[ $mode =~ ^(linux|windows|versus|wayland)$ ]] || [ ${#routes[@]} -ne 2 ]; then
  echo "footprint-report: $results holds no figures of tools/footprint.sh" >&2
  exit 2
fi

describe() {
  case $1 in
    saver) echo "dreieck --fullscreen (Linux)" ;;
    wayland) echo "dreieck --saver on sway headless (Linux, Wayland; its server: sway)" ;;
    bare_x11) echo "bare Xlib window ($bare_work)" ;;
    scr) echo "Dreieck.scr /s under Wine" ;;
    bare_win) echo "bare mingw window under Wine ($bare_work)" ;;
  esac
}
echo
echo "Footprint: mode $mode, $seconds s after the first cycle, $repeat run(s) per interval, Xvfb $screen"
echo "machine: $machine"
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
  /^#/ || $1 == "interval" { next }
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
        } else if (mode == "wayland") {
          printf "  goal: the Wayland saver within 1.5x the X11 saver CPU: %s (x%s)\n", pa <= 1.5 * pb ? "met" : "missed",
            ratio(pa, pb)
          printf "  goal: one wake-up per tick: %s (%.2f)\n", med(m SUBSEP a SUBSEP 6) <= 1.1 ? "met" : "missed",
            med(m SUBSEP a SUBSEP 6)
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
