#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test, in stages:
#   1. the Windows build (Dreieck.scr and the helpers of the end-to-end tests),
#   2. the host build (the unit tests, the Linux program dreieck and the benchmarks)
#      with g++, dreieck alone once more as a Release build (g++ -O3, as packagers
#      build it), the host tests (the unit tests, the resource check, dreieck on virtual
#      displays, under XScreenSaver and as pictures, a short run of the benchmarks and
#      of tools/footprint.sh); then the unit tests under valgrind memcheck,
#   3. the browser build (WebAssembly; its first build also builds pixman, FreeType and
#      Cairo from Debian's sources into build/web/deps, 2 to 12 minutes, once) and its
#      page in headless Chromium, against the host build's native drawing,
#   4. all of that again with clang under AddressSanitizer + UndefinedBehaviorSanitizer,
#   5. the Debian package, the Windows ZIP and the page's ZIP, and the reproducible
#      release: tools/release.sh in two clones of the commit, compared byte for byte,
#   6. each libFuzzer target for a bounded time (FUZZ_SECONDS, default 60),
#   7. the end-to-end tests under Wine, among them the same picture drawn by
#      Dreieck.scr and by dreieck, and a short run of tools/footprint.sh beside
#      Dreieck.scr under Wine.
# The build trees are the presets of CMakePresets.json (host, release, windows, web,
# sanitize, fuzz), so that a tree built by hand is the tree tested here; their
# warnings are errors. Builds write their output to build/NAME.configure.log and
# build/NAME.build.log, each fuzzer to build/fuzz/logs/; the console gets one line per
# fuzzer and, on failure, the end of the log.
# Each stage ends with "==== STAGE: passed in 1m02s" (or FAILED), the run with a table
# of the stages and the line "test-all: N stages passed, M failed"; the exit code is 0
# when every stage passed.
#
# SKIP_INSTALL=1 skips the installation. TEST_ALL_ONLY="WORD..." runs only the stages
# whose names contain one of the words (e.g. TEST_ALL_ONLY="fuzz" or "host build");
# the others must have been built before.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${FUZZ_SECONDS:-60}
only=${TEST_ALL_ONLY:-}

if ! [[ "$fuzz_seconds" =~ ^[1-9][0-9]{0,5}$ ]]; then
  echo "test-all: FUZZ_SECONDS must be a whole number of seconds from 1, not '$fuzz_seconds'"
  exit 2
fi

if [ "${SKIP_INSTALL:-0}" != 1 ]; then
  tools/install-deps.sh || { echo "test-all: installing the packages failed"; exit 1; }
fi

passed=0
failed=0
failures=()
stage_names=()
stage_results=()
stage_times=()
run_start=$SECONDS

# shellcheck source=SCRIPTDIR/lib/steps.sh
source "$root/tools/lib/steps.sh"
selected() {  # NAME: whether TEST_ALL_ONLY lets this stage run
  [ -z "$only" ] && return 0
  local word
  for word in $only; do
    [[ "$1" == *"$word"* ]] && return 0
  done
  return 1
}
stage() {  # stage NAME COMMAND...: runs one stage, times it and counts it
  local name=$1
  shift
  selected "$name" || return 0
  echo
  echo "==== $name"
  local start=$SECONDS result
  if "$@"; then
    result=passed
    passed=$((passed + 1))
  else
    result=FAILED
    failed=$((failed + 1))
    failures+=("$name")
  fi
  local took
  took=$(duration $((SECONDS - start)))
  echo "==== $name: $result in $took"
  stage_names+=("$name")
  stage_results+=("$result")
  stage_times+=("$took")
}

# show_log_tail LOG: the first errors and the end of a log of a failed step, and where
# the whole is.
show_log_tail() {
  if grep -q -E 'error:|CMake Error' "$1"; then
    echo "---- first errors in $1"
    grep -m 10 -E 'error:|CMake Error' "$1"
  fi
  echo "---- last 40 lines of $1"
  tail -n 40 "$1"
  echo "---- the whole log: $1"
}

configure_and_build() {  # PRESET LOG-NAME [CMAKE-ARGS...]: build/LOG-NAME.{configure,build}.log
  local preset=$1 logs="build/$2"
  shift 2
  cmake --preset "$preset" "$@" >"$logs.configure.log" 2>&1 || { show_log_tail "$logs.configure.log"; return 1; }
  cmake --build --preset "$preset" -j"$jobs" >"$logs.build.log" 2>&1 || { show_log_tail "$logs.build.log"; return 1; }
  echo "built with the preset $preset (logs: $logs.configure.log, $logs.build.log)"
}

# fuzz_target PROGRAM: one libFuzzer target for FUZZ_SECONDS. New corpus entries go to
# build/fuzz/corpus-NAME (the seeds in fuzz/corpus/ stay as they are), findings to
# build/fuzz/artifacts/NAME/, the whole output to build/fuzz/logs/NAME.log; the console
# gets one line from the final statistics.
fuzz_target() {
  local program=$1 name
  name=$(basename "$program")
  local corpus="$root/build/fuzz/corpus-$name" artifacts="$root/build/fuzz/artifacts/$name/"
  local log="build/fuzz/logs/$name.log"
  mkdir -p "$corpus" "$artifacts" build/fuzz/logs
  # -timeout: one input taking longer than that is a finding (a hang), not a stall.
  (cd build/fuzz && timeout -k 10 $((fuzz_seconds + 300)) "$program" \
    -max_total_time="$fuzz_seconds" -timeout=30 -print_final_stats=1 -artifact_prefix="$artifacts" \
    "$corpus" "$root/fuzz/corpus/${name%_fuzz}") >"$log" 2>&1
  local rc=$?
  # "stat::number_of_executed_units: 123628" and the last status line
  # "#123628  DONE   cov: 321 ft: 921 corp: 209/8290b ...".
  local runs execs added status cov ft corp crash
  runs=$(awk '/^stat::number_of_executed_units:/ { print $2 }' "$log" | tail -1)
  execs=$(awk '/^stat::average_exec_per_sec:/ { print $2 }' "$log" | tail -1)
  added=$(awk '/^stat::new_units_added:/ { print $2 }' "$log" | tail -1)
  status=$(grep -E '^#[0-9]+[[:space:]].* cov: ' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")
  corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$status")
  crash=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
  local verdict=no
  [ "$rc" -ne 0 ] && verdict=yes
  echo "$name: ${runs:-?} runs, ${execs:-?} exec/s, cov ${cov:-?} ft ${ft:-?}," \
    "corpus ${corp:-?} (+${added:-?} new), crash $verdict; log $log"
  if [ "$rc" -ne 0 ]; then
    [ "$rc" -eq 124 ] && echo "$name: still running $((fuzz_seconds + 300)) s after it began; ended"
    show_log_tail "$log"
    if [ -n "$crash" ]; then
      echo "$name: the input that failed is $crash"
      echo "$name: run it again with  $program $crash"
    fi
    return 1
  fi
}

mkdir -p build
scr="$root/build/win/Dreieck.scr"
stage "windows build" configure_and_build windows win
stage "host build" configure_and_build host host -DDREIECK_SCR="$scr" -DDREIECK_BENCH=ON
# dreieck alone at -O3, where g++ warns of things it does not see at -O2.
stage "release build" configure_and_build release release
stage "host tests" ctest --preset host
stage "host tests under valgrind" valgrind --quiet --error-exitcode=1 --leak-check=full \
  --suppressions="$root/tests/valgrind.supp" \
  --errors-for-leak-kinds=definite,indirect build/host/tests/dreieck_tests --gtest_brief=1
stage "web build" configure_and_build web web
stage "web tests" ctest --preset web
stage "sanitizer build" configure_and_build sanitize asan
stage "sanitizer tests" ctest --preset sanitize
stage "debian package" env DREIECK_HOST_BUILD="$root/build/host" bash tests/linux/package.sh
stage "windows zip" bash -c 'cd build/win && cpack -G ZIP'
stage "web zip" bash -c 'cd build/web && cpack -G ZIP'
# tools/release.sh twice, in two clones in two folders, byte for byte alike (the
# WebAssembly libraries of build/web/deps shared, the program built twice).
stage "reproducible release" bash tests/release/reproducible.sh
stage "fuzzer build" configure_and_build fuzz fuzz
for target in "$root"/build/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  stage "fuzz $(basename "$target") (${fuzz_seconds}s)" fuzz_target "$target"
done
stage "windows and end-to-end tests" ctest --preset windows
stage "footprint smoke beside Wine" tools/footprint.sh --quick --versus-wine --scr "$scr" --dreieck "$root/build/host/dreieck"

if [ -n "$only" ] && [ "${#stage_names[@]}" -eq 0 ]; then
  echo "test-all: TEST_ALL_ONLY=\"$only\" matches no stage"
  exit 2
fi
echo
echo "==== summary"
printf '%-34s %-7s %s\n' stage result time
for i in "${!stage_names[@]}"; do
  printf '%-34s %-7s %s\n' "${stage_names[$i]}" "${stage_results[$i]}" "${stage_times[$i]}"
done
printf '%-34s %-7s %s\n' "all" "" "$(duration $((SECONDS - run_start)))"
[ -n "$only" ] && echo "test-all: only the stages matching TEST_ALL_ONLY=\"$only\" ran"
if [ "$failed" -ne 0 ]; then
  echo "test-all: failed stages: ${failures[*]}"
fi
echo "test-all: $passed stages passed, $failed failed"
[ "$failed" -eq 0 ]
