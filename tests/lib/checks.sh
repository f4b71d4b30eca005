# shellcheck shell=bash
# What the test scripts share: their checks and the verdict, the programs a test needs,
# its run folder ($run, kept for a look when a check failed) and screenshots into it.
# Sourced by the tests of tests/linux/, tests/e2e/ and tests/release/, with the tools'
# helpers they use: processes, virtual displays and pixels (tools/lib/).

checks_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools/lib" && pwd)
# shellcheck source=SCRIPTDIR/../../tools/lib/process.sh
source "$checks_tools/process.sh"
# shellcheck source=SCRIPTDIR/../../tools/lib/display.sh
source "$checks_tools/display.sh"
# shellcheck source=SCRIPTDIR/../../tools/lib/pixels.sh
source "$checks_tools/pixels.sh"

failures=0  # checks failed so far

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
expect_eq() {  # expect_eq DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}

# need_tools PROGRAM...: each is installed, or the test fails here.
need_tools() {
  local missing
  missing=$(missing_tool "$@") || return 0
  echo "FAIL: $missing is missing (tools/install-deps.sh installs it)"
  exit 1
}

# new_run NAME: a run folder of the test's own, $run (/tmp/NAME.XXXXXX), which goes at
# the end when every check passed (tidy_run, the EXIT trap; a test with more to end
# sets a trap of its own that calls tidy_run last).
new_run() {
  run=$(mktemp -d "/tmp/$1.XXXXXX") || exit 1
  trap tidy_run EXIT
}
# shellcheck disable=SC2317  # runs from a trap
tidy_run() {
  if [ "$failures" -eq 0 ] && [ -n "${run:-}" ]; then rm -rf "$run"; fi
}

# checks_end: the verdict and the exit code of the test: PASS and 0 when no check
# failed.
checks_end() {
  if [ "$failures" -eq 0 ]; then
    echo PASS
    exit 0
  fi
  echo "FAIL: $failures checks failed${run:+; files in $run}"
  exit 1
}

# shot NAME: a screenshot of the whole display, RUN/NAME.png.
shot() { timeout 20 import -window root "$run/$1.png" 2>>"$run/import.err"; }
