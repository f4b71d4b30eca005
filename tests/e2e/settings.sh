#!/usr/bin/env bash
# Settings mode: "/c", "/S", "/P 123" and an empty line open dialog 103; Enter (OK)
# writes all nine values and the exit code is 1; Escape writes nothing. Values out
# of the dialog's ranges go through the real dialog as the controls hold them.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin settings
# Every test starts from the registry as wineboot wrote it, whatever the tests before
# it in the shared prefix stored (e2e-buttons, run just before, stores an interval).
expect_eq "no settings are stored when the test starts" "" "$(stored_values)"

defaults="Ankreise=1
Eulersche Gerade=1
Feuerbachkreis=1
Geschwindigkeit=2000
Hintergrundfarbe=4
Hoehenlinien=1
Inkreis=1
Schwerlinien=1
Umkreis=1"

# dialog NAME TAIL KEY: runs the program with TAIL, waits for the dialog, takes a
# screenshot of it and presses KEY; the exit code follows.
dialog() {
  local name=$1 tail=$2 key=$3 geometry
  start_scr "$name" "$tail"
  if ! geometry=$(wait_window Settings 20); then
    fail "[$tail]: no dialog titled Settings appeared"
    return 1
  fi
  sleep 0.5
  shot "$name"
  check_dialog "$tail" "$name" "$geometry"
  # Without a window manager the focus is set by hand.
  local id
  id=$(xdotool search --name '^Settings$' | head -1)
  [ -n "$id" ] && xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool key "$key"
  expect_eq "[$tail] $key: the exit code is 1" "1" "$(wait_exit "$name" 15)"
}

# The dialog as a person sees it: a window of the template's size in the dialog
# face colour with dark text on it, everything else the empty screen.
check_dialog() {
  local tail=$1 name=$2 geometry=$3 w h x y colours face text
  IFS='x+' read -r w h x y <<<"$geometry"
  log "[$tail] dialog at $geometry"
  [ "$w" -gt 400 ] && [ "$w" -lt 700 ] && [ "$h" -gt 150 ] && [ "$h" -lt 350 ] &&
    pass "[$tail] the dialog has the template's size ($geometry)" || fail "[$tail] dialog size $geometry"
  # Centred on the screen (DS_CENTER), give or take the frame.
  local dx=$((2 * x + w - display_width)) dy=$((2 * y + h - display_height))
  [ "${dx#-}" -le 40 ] && [ "${dy#-}" -le 60 ] && pass "[$tail] the dialog is centred" ||
    fail "[$tail] the dialog is not centred: $geometry"
  colours=$(histogram "$run/$name.png" "$geometry")
  face=$(sort -rn <<<"$colours" | awk 'NR == 1 { print $2 }')
  text=$(pixels "#000000" "$colours")
  log "[$tail] face $face, black text pixels $text"
  [ "$(pixels "$face" "$colours")" -gt $((w * h / 2)) ] && pass "[$tail] the dialog is filled in its face colour" ||
    fail "[$tail] the dialog has no face colour"
  [ "$text" -gt 500 ] && pass "[$tail] its labels are written" || fail "[$tail] only $text text pixels"
}

n=0
for tail in "/c" "/S" "/P 123" ""; do
  n=$((n + 1))
  delete_key
  dialog "enter-$n" "$tail" Return
  expect_eq "[$tail] Enter saves all nine values" "$defaults" "$(stored_values)"
done

delete_key
dialog escape "/c" Escape
expect_eq "Escape writes nothing" "" "$(stored_values)"

# Out of range: the scroll bar holds the interval at its ends, a background without
# a radio button is kept, and a flag reads as 0 or 1.
delete_key
set_dword Geschwindigkeit 100
set_dword Hintergrundfarbe 7
set_dword Inkreis 5
set_dword Umkreis 0
dialog low "/c" Return
values=$(stored_values)
expect_eq "a stored interval of 100 is saved as 500" "Geschwindigkeit=500" "$(grep Geschwindigkeit <<<"$values")"
expect_eq "a stored background of 7 is saved as 7" "Hintergrundfarbe=7" "$(grep Hintergrundfarbe <<<"$values")"
expect_eq "a stored Inkreis of 5 is saved as 1" "Inkreis=1" "$(grep Inkreis <<<"$values")"
expect_eq "an Umkreis of 0 stays 0" "Umkreis=0" "$(grep Umkreis <<<"$values")"
expect_eq "all nine values are written" "9" "$(grep -c = <<<"$values")"

set_dword Geschwindigkeit 9000
dialog high "/c" Return
expect_eq "a stored interval of 9000 is saved as 5000" "Geschwindigkeit=5000" \
  "$(stored_values | grep Geschwindigkeit)"
checks_end
