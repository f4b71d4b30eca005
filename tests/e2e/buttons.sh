#!/usr/bin/env bash
# Each of the three mouse buttons ends the full-screen program with exit code 0; key
# presses and mouse movement before it end nothing.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin buttons
set_dword Geschwindigkeit 500

for button in "1 left" "3 right" "2 middle"; do
  read -r number name <<<"$button"
  start_scr "$name" "/s"
  wait_window myScreenSaver 20 >/dev/null || fail "$name: no window titled myScreenSaver appeared"
  xdotool mousemove 100 100 sleep 0.2 mousemove 700 500 sleep 0.2 key Return sleep 0.2 key x sleep 0.2 key Escape
  sleep 1
  if has_exited "$name"; then
    fail "$name: keys or mouse movement ended it (exit $(cat "$run/$name.rc"))"
    continue
  fi
  pass "$name: keys and mouse movement leave it running"
  xdotool click "$number"
  expect_eq "a $name click ends it with exit code 0" "0" "$(wait_exit "$name" 15)"
  # The window goes with the process.
  sleep 0.3
  expect_eq "$name: no window is left" "" "$(x_windows_named myScreenSaver)"
done
checks_end
