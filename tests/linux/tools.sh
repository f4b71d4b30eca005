#!/usr/bin/env bash
# The tools' shared shell helpers on real processes (tools/lib/process.sh: alive,
# wait_end, wait_until, stop_pid), the options as the page's query (tools/lib/query.sh),
# the ticks of a cycle (tools/lib/cycle.sh) against dreieck --frames, one cycle
# photographed (tools/lib/cycle.sh: a made-up one, and dreieck's on a virtual display
# against --frames), and tools/footprint-report.sh on fixed figures.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_SANITIZE (1: no frozen clock,
# which the sanitizers' runtime does not take).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
need_tools Xvfb import convert compare
new_run tools
trap 'stop_xvfb; kill "${saver:-}" 2>/dev/null; tidy_run' EXIT

log "alive: a zombie (ended, not yet reaped by its parent) has ended"
sh -c 'sleep 0.1 & echo $! >"$1"; exec sleep 3' sh "$run/zombie.pid" &
parent=$!
sleep 0.5
zombie=$(cat "$run/zombie.pid")
expect_eq "the zombie's state" Z "$(awk '{ print $3 }' "/proc/$zombie/stat")"
alive "$zombie" && fail "alive takes the zombie $zombie for running" || pass "alive: the zombie has ended"
alive "$parent" && pass "alive: its parent runs" || fail "alive: its parent $parent does not run"
kill "$parent"

log "wait_end: the exit code, how long it took, and a process that outlives the wait"
# command | seconds | what wait_end answers ("ended RC" or "running") | tenths of a second it took
cases=(
  "sleep 0.5; exit 7|3|ended 7|5 15"
  "exit 3|3|ended 3|0 5"
  "kill -KILL \$\$|3|ended 137|0 5"
  "sleep 3|1|running|"
)
for row in "${cases[@]}"; do
  IFS='|' read -r command seconds expected bounds <<<"$row"
  bash -c "$command" &
  pid=$!
  if wait_end "$pid" "$seconds"; then got="ended $ended_rc"; else got=running; kill "$pid"; fi
  expect_eq "wait_end [$command] within $seconds s" "$expected" "$got"
  [ -z "$bounds" ] && continue
  read -r least most <<<"$bounds"
  [ "$ended_tenths" -ge "$least" ] && [ "$ended_tenths" -le "$most" ] && pass "it took $ended_tenths tenths" ||
    fail "wait_end [$command]: $ended_tenths tenths of a second, not $least to $most"
done

log "wait_until: true at once, false when the process ended first, false at the deadline"
# command | process meanwhile | seconds | answer | it took at least, at most (ms)
cases=(
  "true||5|0|0 500"
  "false|sleep 0.3|5|1|250 1000"
  "false||1|1|1000 2000"
)
for row in "${cases[@]}"; do
  IFS='|' read -r command meanwhile seconds expected bounds <<<"$row"
  pid=""
  if [ -n "$meanwhile" ]; then $meanwhile & pid=$!; fi
  start=$(now_ms)
  wait_until "$seconds" "$pid" "$command"
  got=$? took=$(($(now_ms) - start))
  read -r least most <<<"$bounds"
  expect_eq "wait_until $seconds [$command] while [$meanwhile]" "$expected" "$got"
  [ "$took" -ge "$least" ] && [ "$took" -le "$most" ] && pass "it took $took ms" ||
    fail "wait_until $seconds [$command]: $took ms, not $least to $most"
done

log "stop_pid: SIGTERM, then SIGKILL for one that ignores it"
bash -c 'trap "" TERM; sleep 10' &
stubborn=$!
sleep 0.2
start=$(now_ms)
stop_pid "$stubborn" 1
took=$(($(now_ms) - start))
alive "$stubborn" && fail "stop_pid left $stubborn running" || pass "stop_pid ended it"
[ "$took" -ge 1000 ] && [ "$took" -le 2000 ] && pass "after 1 s of SIGTERM ($took ms)" || fail "stop_pid took $took ms"

log "options_query: dreieck's options as the page's query"
# shellcheck source=SCRIPTDIR/../../tools/lib/query.sh
source "$top/tools/lib/query.sh"
# arguments | query
cases=(
  "--background white --no-excircles|background=white&no-excircles"
  "--triangle -100,400,500,420,260,80 --step 3|triangle=-100,400,500,420,260,80&step=3"
  "-triangle=-1,-2,3,4,5,6 -no-medians|triangle=-1,-2,3,4,5,6&no-medians"
  "--no-medians --interval 700|no-medians&interval=700"
  "--step -3 extra|step=-3&extra"
  "--bogus --a&b=c?d|bogus&a%26b=c%3Fd"
)
for row in "${cases[@]}"; do
  IFS='|' read -r args expected <<<"$row"
  # shellcheck disable=SC2086  # the arguments are words
  expect_eq "options_query $args" "$expected" "$(options_query $args)"
done
expect_eq "options_query: a value with a blank" "time=2021-03-04%2005:06:07" \
  "$(options_query --time "2021-03-04 05:06:07")"

log "cycle_ticks: the ticks of a cycle, as many as dreieck --frames writes"
none="${triangle_only[*]}"
# options | the ticks, joined by ", "
cases=(
  "|the triangle, the medians and the centroid, the incircle and its centre, the circumcircle and its centre, the altitudes and the orthocenter, the nine-point circle, the Euler line, the three excircles and their centres, quiet, quiet, the erase with the caption"
  "$none|the triangle, quiet, quiet, the erase with the caption"
  "$none -nine-point-circle --euler-line|the triangle, the nine-point circle, the Euler line, quiet, quiet, the erase with the caption"
  "--no-medians --medians --no-excircles --background white|the triangle, the medians and the centroid, the incircle and its centre, the circumcircle and its centre, the altitudes and the orthocenter, the nine-point circle, the Euler line, quiet, quiet, the erase with the caption"
)
for row in "${cases[@]}"; do
  IFS='|' read -r options expected <<<"$row"
  # shellcheck disable=SC2086  # the options are words
  got=$(cycle_ticks "$bin" $options | paste -sd '|' | sed 's/|/, /g')
  expect_eq "cycle_ticks [$options]" "$expected" "$got"
  # shellcheck disable=SC2086  # the options are words
  "$bin" --frames "$run/frames" --size 32x24 $options >"$run/frames.out" 2>&1
  expect_eq "cycle_ticks [$options]: as many as --frames writes" \
    "dreieck: wrote $(cycle_ticks "$bin" $options | wc -l) frames to '$run/frames'" "$(cat "$run/frames.out")"
done

log "photograph_cycle: a whole cycle replaces the folder, and nothing less"
# fake_tick K FILE: writes K into FILE; tick $fails cannot be taken, tick $last ends
# the cycle.
# shellcheck disable=SC2317  # photograph_cycle calls it
fake_tick() {
  [ "$1" != "$fails" ] && echo "$1" >"$2" || return 1
  [ "$1" != "$last" ] || return 10
}
out=$run/shots
# the last tick | the tick that fails | what the ticks show, by "," | exit code | the
# files in the folder afterwards | the output, its lines joined by "; "
cases=(
  "2|||0|tick-00.png tick-01.png tick-02.png|run: a whole cycle is in $out: tick-00.png (the first tick) to tick-02.png (the last)"
  "0|||0|tick-00.png|run: a whole cycle is in $out: tick-00.png (the first tick) to tick-00.png (the last)"
  "1||one,two|0|tick-00.png tick-01.png|run: a whole cycle is in $out:;   tick-00.png  one;   tick-01.png  two"
  "3|2||1|earlier.png|"
  "1|1|one,two|1|earlier.png|"
  "0||one,two|1|earlier.png|run: the cycle ended at tick-00.png, not at tick-01.png"
  "2||one,two|1|earlier.png|run: the cycle had not ended at tick-01.png"
  "|||1|earlier.png|run: the cycle had not ended at tick-99.png"
)
for row in "${cases[@]}"; do
  IFS='|' read -r last fails whats want_rc want_files want_output <<<"$row"
  IFS=, read -r -a what <<<"$whats"
  rm -rf "$out" && mkdir -p "$out" && echo earlier >"$out/earlier.png"
  got=$(photograph_cycle "$out" fake_tick "${what[@]}" 2>&1)
  rc=$?
  name="photograph_cycle, last $last, failing ${fails:-none}, ${#what[@]} told"
  expect_eq "$name: exit code" "$want_rc" "$rc"
  expect_eq "$name: the folder" "$want_files" "$(cd "$out" && echo *)"
  expect_eq "$name: the output" "$want_output" "$(paste -sd ';' <<<"$got" | sed 's/;/; /g')"
  expect_eq "$name: nothing left beside it" "$out" "$(echo "$out"*)"
  [ "$rc" -eq 0 ] && expect_eq "$name: the last tick's file" "$last" "$(cat "$out/tick-$(printf %02d "$last").png")"
done

log "display_first_tick, display_tick: one cycle of dreieck photographed, each tick as --frames draws it"
if [ "${DREIECK_SANITIZE:-0}" == 1 ]; then
  # libfaketime and the sanitizers' runtime both wrap the clock and deadlock at start.
  log "skipped under the sanitizers: libfaketime and their runtime do not mix"
else
  # With the clock standing at one second, dreieck --fullscreen draws the cycle that
  # --frames draws for that second; a tick every second leaves half a second for each
  # screenshot and the look for red in it.
  when="2021-03-04 05:06:07"
  "$bin" --frames "$run/cycle" --size 1024x768 --time "$when" >"$run/cycle.out" 2>&1 || fail "--frames failed"
  start_xvfb "$run/display" || exit 1
  faketime_lib=(/usr/lib/*/faketime/libfaketime.so.1)
  env TZ=UTC LD_PRELOAD="${faketime_lib[0]}" FAKETIME="$when" DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
    "$bin" --fullscreen --interval 1000 >"$run/saver.out" 2>"$run/saver.err" &
  saver=$!
  if display_first_tick "$saver" 1000 "$run/probe.ppm"; then
    mapfile -t ticks < <(cycle_ticks "$bin")
    photograph_cycle "$run/screens" display_tick "${ticks[@]}" >"$run/photograph.out" 2>&1
    expect_eq "the cycle photographed: exit code" 0 "$?"
    expect_eq "the cycle photographed: a line for the folder and one for each of the ${#ticks[@]} ticks" \
      "$((${#ticks[@]} + 1))" "$(wc -l <"$run/photograph.out")"
    expect_eq "a screenshot for each tick that --frames draws" "$(cd "$run/cycle" && echo tick-*.png)" \
      "$(cd "$run/screens" && echo tick-*.png)"
    for frame in "$run"/cycle/tick-*.png; do
      expect_eq "${frame##*/} on the display is the one of --frames" 0 \
        "$(compare -metric AE "$frame" "$run/screens/${frame##*/}" null: 2>&1)"
    done
  else
    fail "no first tick: dreieck $(alive "$saver" && echo runs || echo ended); see $run/saver.err"
  fi
  kill "$saver"
  wait "$saver"
  sums=$(cd "$run/screens" && md5sum ./*)
  photograph_cycle "$run/screens" display_tick >"$run/ended.out" 2>&1
  expect_eq "a program that has ended: no cycle" 1 "$?"
  expect_eq "a program that has ended: the screenshots as they were" "$sums" "$(cd "$run/screens" && md5sum ./*)"
fi

log "footprint-report: medians, minima, a missing route, ratios and the goals"
cat >"$run/results.tsv" <<'EOF'
# mode: linux
# seconds: 60
# repeat: 3
# routes: saver bare_x11
# bare-work: clear
# screen: 1920x1080
# machine: 2 cores, a test machine, 2026-12-08 12:00 UTC
interval	run	route	cpu_pct	wakeups_per_s	wakeups_per_tick	rss_kb	rss_growth_kb	rss_steps	x_cpu_pct	helpers_cpu_pct	route_cpu_pct	helper_wakeups_per_s
500	1	saver	0.3000	2.000	1.000	17000	40	1	0.2000	0.0000	0.5000	0.000
500	1	bare_x11	0.1000	2.000	1.000	2600	0	0	0.2000	0.0000	0.3000	0.000
500	2	saver	0.1000	6.000	3.000	17100	200	4	0.1000	0.0000	0.2000	0.000
500	2	bare_x11	0.0500	2.000	1.000	2600	0	0	0.1500	0.0000	0.2000	0.000
500	3	saver	0.2000	4.000	2.000	17200	100	2	0.3000	0.0000	0.6000	0.000
2000	1	saver	0.0400	0.500	1.000	17000	10	0	0.0600	0.0000	0.1000	0.000
2000	2	saver	0.0600	0.500	1.000	17000	30	0	0.0600	0.0000	0.1200	0.000
EOF
cat >"$run/expected.txt" <<'EOF'

Footprint: mode linux, 60 s after the first cycle, 3 run(s) per interval, Xvfb 1920x1080
machine: 2 cores, a test machine, 2026-12-08 12:00 UTC
each cell: median [minimum] over the runs
  saver = dreieck --fullscreen (Linux)
  bare_x11 = bare Xlib window (clear)

interval 2000 ms
  route     CPU % of a core     wake-ups/s      wake-ups/tick   RSS kB            RSS growth kB   steps   X server CPU %      Wine helpers %      whole route %      
  saver     0.0500 [0.0400]     0.50 [0.50]     1.00 [1.00]     17000 [17000]     20 [10]         0 [0]   0.0600 [0.0600]     -                   0.1100 [0.1000]    
  bare_x11  (no measurement)

interval 500 ms
  route     CPU % of a core     wake-ups/s      wake-ups/tick   RSS kB            RSS growth kB   steps   X server CPU %      Wine helpers %      whole route %      
  saver     0.2000 [0.1000]     4.00 [2.00]     2.00 [1.00]     17100 [17000]     100 [40]        2 [1]   0.2000 [0.1000]     -                   0.5000 [0.2000]    
  bare_x11  0.0750 [0.0500]     2.00 [2.00]     1.00 [1.00]     2600 [2600]       0 [0]           0 [0]   0.1750 [0.1500]     -                   0.2500 [0.2000]    
  saver / bare_x11 (medians): process CPU x2.67, whole route x2.00, wake-ups per tick x2.00
  goal: at most 2.5 wake-ups per tick: met (2.00)
  goal: RSS flat after the first cycle (<= 100 kB growth in this run): met (100 kB)
EOF
"$top/tools/footprint-report.sh" "$run/results.tsv" >"$run/report.txt" 2>&1
expect_eq "footprint-report: exit code" 0 "$?"
expect_eq "footprint-report: the tables" "" "$(diff "$run/expected.txt" "$run/report.txt")"
# The Wayland saver beside the X11 one: its goals, met and missed by a hair.
# wayland cpu | wake-ups/tick | the two goal lines
wayland_goals=(
  "0.1500|1.000|goal: the Wayland saver within 1.5x the X11 saver CPU: met (x1.50)~goal: one wake-up per tick: met (1.00)"
  "0.1510|1.110|goal: the Wayland saver within 1.5x the X11 saver CPU: missed (x1.51)~goal: one wake-up per tick: missed (1.11)"
)
for row in "${wayland_goals[@]}"; do
  IFS='|' read -r cpu wake goals <<<"$row"
  {
    sed -n '1,7p' "$run/results.tsv" | sed 's/^# mode: linux/# mode: wayland/; s/^# routes: .*/# routes: wayland saver/'
    sed -n 8p "$run/results.tsv"
    printf '500\t1\twayland\t%s\t2.000\t%s\t33000\t20\t1\t0.4000\t0.0000\t0.5000\t0.000\n' "$cpu" "$wake"
    printf '500\t1\tsaver\t0.1000\t2.000\t1.000\t17000\t20\t1\t0.1000\t0.0000\t0.2000\t0.000\n'
  } >"$run/wayland.tsv"
  expect_eq "footprint-report: the Wayland goals at CPU $cpu, $wake wake-ups a tick" "${goals//\~/$'\n'}" \
    "$("$top/tools/footprint-report.sh" "$run/wayland.tsv" | grep -E '^  goal:' | sed 's/^  //')"
done
tail -n +9 "$run/results.tsv" >"$run/bare.tsv"
"$top/tools/footprint-report.sh" "$run/bare.tsv" >"$run/bare.txt" 2>&1
expect_eq "footprint-report: figures without their description: exit code" 2 "$?"
expect_eq "footprint-report: figures without their description" \
  "footprint-report: $run/bare.tsv holds no figures of tools/footprint.sh" "$(cat "$run/bare.txt")"

checks_end
