# shellcheck shell=bash
# Steps of a long job, each with its own log and one line on the console, and their
# times. Sourced by tools/release.sh, tools/build-wasm-deps.sh and tools/test-all.sh.

# duration SECONDS: as minutes and seconds, "3m12s".
duration() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }

# logged_step WHO LOG WHAT COMMAND...: COMMAND in a subshell of its own where set -e
# holds, its output in LOG; then "WHO: WHAT (0m12s)" on the console. When it fails:
# "WHO: WHAT FAILED (exit code N); the end of LOG:" and the last 30 lines of the log
# on stderr, and the job ends with 1. Called as a command of its own (not in an if or
# && list), so that set -e holds inside.
logged_step() {
  local who=$1 log=$2 what=$3 start=$SECONDS rc
  shift 3
  set +e
  (set -e; "$@") >"$log" 2>&1
  rc=$?
  set -e
  if [ "$rc" -ne 0 ]; then
    echo "$who: $what FAILED (exit code $rc); the end of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
  fi
  echo "$who: $what ($(duration $((SECONDS - start))))"
}
