# shellcheck shell=bash
# What the end-to-end tests of Dreieck.scr share beyond the checks, the run folder and
# the display of every test (tests/lib/checks.sh): the run's Wine prefix and its lock,
# the program's settings, and starting the program under Wine (tools/lib/wine.sh).
#
# The tests of a run share one prefix, DREIECK_E2E_WORK/prefix, made by the e2e-prefix
# test (or by the first test that finds none) and removed by e2e-prefix-cleanup. One
# test at a time uses it: a test holds DREIECK_E2E_WORK/prefix.lock from its start to
# its end, and starts from the registry as wineboot left it (HKCU\Software\Morvaselkin
# included: no test sees another's settings).
#
# Everything a test starts is ended by its own cleanup: the wineserver of the prefix
# (which takes the prefix's Windows processes with it) and its own Xvfb. Output goes
# to files in the run folder, never through pipes: Wine's background processes keep
# the stderr of the first wine call open.

# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/../lib/checks.sh"
# shellcheck source=SCRIPTDIR/../../tools/lib/wine.sh
source "$checks_tools/wine.sh"

# e2e_env RUN: the environment of everything Wine does for this run.
e2e_env() { wine_env "$1/prefix" "$1/home" "$1/tmp"; }

# The run's prefix and what a test needs to start from it: a pristine copy of its
# registry files (prefix.reg/) and the lock that keeps tests from using it at once.
e2e_prefix() { echo "${DREIECK_E2E_WORK:?}/prefix"; }

# e2e_make_prefix: a new run prefix and the pristine copy of its registry; the caller
# holds the lock. Output of wineboot goes to DREIECK_E2E_WORK/setup.
e2e_make_prefix() {
  local work=${DREIECK_E2E_WORK:?} setup
  setup=$work/setup
  e2e_stop_wine
  rm -rf "$work/prefix" "$work/prefix.reg" "$work/prefix.reg.tmp" "$setup"
  mkdir -p "$setup"
  (wine_env "$work/prefix" "$setup/home" "$setup/tmp" && make_prefix "$setup") || return 1
  mkdir -p "$work/prefix.reg.tmp"
  cp "$work/prefix"/*.reg "$work/prefix.reg.tmp/" && mv "$work/prefix.reg.tmp" "$work/prefix.reg"
}

# e2e_stop_wine: ends the wineserver of the run's prefix, if one runs (a test that was
# killed may have left it), and waits until it is gone.
e2e_stop_wine() {
  [ -d "$(e2e_prefix)" ] || return 0
  wine_stop "$(e2e_prefix)"
}

# e2e_lock: waits (up to 10 minutes) until this process holds the prefix lock. A
# helper process holds it, so that nothing this test starts inherits it; it lets go
# when this shell ends, however it ends.
E2E_LOCK_PID=""
e2e_lock() {
  local work=${DREIECK_E2E_WORK:?} me=$$
  mkdir -p "$work"
  rm -f "$work/prefix.lock.$me"
  (
    flock -w 600 9 || exit 1
    : >"$work/prefix.lock.$me"
    wait_end "$me"
  ) 9>>"$work/prefix.lock" &
  E2E_LOCK_PID=$!
  if wait_until 605 "$E2E_LOCK_PID" test -f "$work/prefix.lock.$me"; then
    rm -f "$work/prefix.lock.$me"
    return 0
  fi
  echo "FAIL: another test kept $work/prefix.lock for 10 minutes"
  return 1
}
e2e_unlock() {
  [ -n "$E2E_LOCK_PID" ] || return 0
  kill "$E2E_LOCK_PID" 2>/dev/null
  wait "$E2E_LOCK_PID" 2>/dev/null
  E2E_LOCK_PID=""
}

# e2e_begin NAME: a fresh run folder, the run's prefix with its registry as wineboot
# left it (made first if there is none), a display and a wineserver that stays up for
# the whole test; cleanup on exit.
e2e_begin() {
  local name=$1
  : "${DREIECK_E2E_WORK:?}" "${DREIECK_SCR:?}"
  need_tools wine wineserver Xvfb xdotool xwininfo import convert faketime flock
  run="$DREIECK_E2E_WORK/$name"
  rm -rf "$run"
  mkdir -p "$run"
  # Until the run's prefix is named below, the cleanup has no wineserver to end.
  unset WINEPREFIX
  trap e2e_cleanup EXIT
  e2e_lock || exit 1
  if [ ! -f "$DREIECK_E2E_WORK/prefix/system.reg" ] || [ ! -f "$DREIECK_E2E_WORK/prefix.reg/user.reg" ]; then
    log "no Wine prefix in $DREIECK_E2E_WORK yet: making it"
    e2e_make_prefix || { echo "FAIL: wineboot did not make the prefix; see $DREIECK_E2E_WORK/setup"; exit 1; }
  fi
  # Back to the registry wineboot wrote, while no wineserver holds it.
  e2e_stop_wine
  local reg
  for reg in "$DREIECK_E2E_WORK/prefix.reg"/*.reg; do
    cp "$reg" "$DREIECK_E2E_WORK/prefix/${reg##*/}.new" &&
      mv "$DREIECK_E2E_WORK/prefix/${reg##*/}.new" "$DREIECK_E2E_WORK/prefix/${reg##*/}" || exit 1
  done
  e2e_env "$run"
  export WINEPREFIX="$DREIECK_E2E_WORK/prefix"
  start_xvfb "$run" || exit 1
  # Started without faketime, so that a frozen clock reaches only the program.
  timeout 30 wineserver -p >"$run/wineserver.out" 2>&1 || exit 1
  E2E_SCR=$(winpath "$DREIECK_SCR")
}

e2e_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then wine_stop "$WINEPREFIX"; fi
  stop_xvfb
  e2e_unlock
}

# set_dword NAME VALUE: a value under HKCU\Software\Morvaselkin.
set_dword() { set_setting "$1" "$2" "$run" || fail "reg add $1 $2"; }
# set_flags M I U H F E A: the seven show-flags at once, in the dialog's order.
set_flags() {
  local names=(Schwerlinien Inkreis Umkreis Hoehenlinien Feuerbachkreis "Eulersche Gerade" Ankreise)
  local flags=("$@") i
  for i in 0 1 2 3 4 5 6; do set_dword "${names[$i]}" "${flags[$i]}"; done
}
# stored_values: every value under the key as "name=decimal", one a line, sorted;
# nothing when there is no key.
stored_values() {
  timeout 30 wine reg query "$SETTINGS_KEY" >"$run/query.out" 2>"$run/query.err"
  local name hex
  tr -d '\r' <"$run/query.out" |
    sed -n 's/^ *\(.*[^ ]\) \{4\}REG_DWORD \{4\}0x\([0-9a-fA-F]*\) *$/\1|\2/p' |
    while IFS='|' read -r name hex; do echo "$name=$((16#$hex))"; done | sort
}
delete_key() { clear_settings "$run"; }

# start_scr NAME TAIL [faketime]: the program with exactly TAIL as its command line,
# through our launcher, in the background; its exit code lands in RUN/NAME.rc.
# With "faketime" the clock stands still at 2021-03-04 05:06:07 UTC (timers run).
start_scr() {
  local name=$1 tail=$2 fake=${3:-}
  rm -f "$run/$name.rc"
  local command=(wine "${DREIECK_LAUNCHER:?}" "$E2E_SCR")
  [ -n "$tail" ] && command+=("$tail")
  if [ "$fake" == faketime ]; then
    command=(env DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 faketime -f '2021-03-04 05:06:07' "${command[@]}")
  fi
  (
    timeout 120 "${command[@]}" >"$run/$name.out" 2>"$run/$name.err"
    echo $? >"$run/$name.rc.tmp"
    mv "$run/$name.rc.tmp" "$run/$name.rc"
  ) &
}
# wait_exit NAME SECONDS: the exit code once the program ended, or "running".
wait_exit() {
  if wait_until "$2" "" has_exited "$1"; then cat "$run/$1.rc"; else echo running; fi
}
has_exited() { [ -f "$run/$1.rc" ]; }
