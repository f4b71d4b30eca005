#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test:
#   1. the Windows build (Dreieck.scr and the helpers of the end-to-end tests),
#   2. the host build (the unit tests, the Linux program dreieck and the benchmarks)
#      with g++, its unit tests, the tests of dreieck on virtual displays, under
#      XScreenSaver and as pictures, a short run of the benchmarks and of
#      tools/footprint.sh; then the unit tests under valgrind memcheck,
#   3. all of that again with clang under AddressSanitizer + UndefinedBehaviorSanitizer,
#   4. each libFuzzer target for a bounded time (FUZZ_SECONDS, default 60),
#   5. the Debian package and the Windows ZIP,
#   6. the resource check of the built .scr and the end-to-end tests under Wine,
#      among them the same picture drawn by Dreieck.scr and by dreieck, and a short
#      run of tools/footprint.sh beside Dreieck.scr under Wine.
# Skip the installation with SKIP_INSTALL=1. Build trees go to build/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${FUZZ_SECONDS:-60}

if [ "${SKIP_INSTALL:-0}" != 1 ]; then
  tools/install-deps.sh || { echo "test-all: installing the packages failed"; exit 1; }
fi

passed=0
failed=0
failures=()
stage() {  # stage NAME COMMAND...: runs one stage and counts it
  local name=$1
  shift
  echo
  echo "==== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "==== $name FAILED"
  fi
}

configure_and_build() {  # DIR CMAKE-ARGS...
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j"$jobs"
}

mkdir -p build
stage "windows build" configure_and_build build/win \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DDREIECK_HOST_BUILD="$root/build/host"
scr="$root/build/win/Dreieck.scr"
stage "host build" configure_and_build build/host -DCMAKE_CXX_COMPILER=g++ -DDREIECK_SCR="$scr" -DDREIECK_BENCH=ON
stage "host tests" ctest --test-dir build/host --output-on-failure
stage "host tests under valgrind" valgrind --quiet --error-exitcode=1 --leak-check=full \
  --suppressions="$root/tests/valgrind.supp" \
  --errors-for-leak-kinds=definite,indirect build/host/tests/dreieck_tests --gtest_brief=1
stage "sanitizer build" configure_and_build build/asan -DCMAKE_CXX_COMPILER=clang++ -DDREIECK_SANITIZE=ON
stage "sanitizer tests" ctest --test-dir build/asan --output-on-failure
stage "debian package" env DREIECK_HOST_BUILD="$root/build/host" bash tests/linux/package.sh
stage "windows zip" bash -c 'cd build/win && cpack -G ZIP'
stage "fuzzer build" configure_and_build build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DDREIECK_FUZZ=ON
for target in build/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$root/build/fuzz/corpus-$name"
  mkdir -p "$corpus"
  stage "fuzz $name (${fuzz_seconds}s)" "$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
    "$corpus" "$root/fuzz/corpus/${name%_fuzz}"
done
stage "windows and end-to-end tests" ctest --test-dir build/win --output-on-failure
stage "footprint smoke beside Wine" tools/footprint.sh --quick --versus-wine --scr "$scr" --dreieck "$root/build/host/dreieck"

echo
if [ "$failed" -ne 0 ]; then
  echo "test-all: failed stages: ${failures[*]}"
fi
echo "test-all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
