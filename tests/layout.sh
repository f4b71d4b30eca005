#!/usr/bin/env bash
# The house's rules that no compiler checks, in a source tree (the one this script
# lies in, or ROOT):
# - a backend is only a backend: nothing under platform/ includes the program's code
#   (shell/, explorer/, settings/, geometry/, render/, res/), the driver or a front end,
#   names one of the program's globals, or names Dreieck outside its comments (the
#   front ends hand in the names, titles and icons their windows carry);
# - the front ends reach the program only through the driver: nothing under
#   frontends/ includes shell/, settings/, geometry/, render/, explorer/ or res/, or
#   names the program's state or the functions that run it;
# - the tests' seam stays the tests': only the core's own files, tests, fuzzers and
#   benchmarks include platform/core/testing.h, and only the core's own files include
#   its inner state (platform/core/state.h); the recording backend sees the core through
#   platform/core/seam.h;
# - the page's script holds none of the program's facts: no registry value name and no
#   name of a construction (the settings dialog it draws is the program's, described
#   by the core), and none of Win32's numbers (virtual keys, messages, dialog units).
# Each finding is one line FILE:LINE: TEXT; the exit code is the number of rules broken.
#
#   tests/layout.sh [ROOT]
set -u
cd "${1:-$(dirname "$0")/..}" || exit 2
broken=0

# finding HEADING LINES: a broken rule, said with what breaks it.
finding() {
  [ -n "$2" ] || return 0
  echo "layout: $1:"
  echo "$2"
  broken=$((broken + 1))
}
# code PATTERN: grep's FILE:LINE:TEXT lines on stdin whose code, with the comments cut
# off (// to the end, and the lines of a /* */ block that begin with * or /*), still
# holds PATTERN (an extended regular expression, without regard to case).
code() {
  sed -E 's#//.*$##; s#^([^:]+:[0-9]+:)\s*(/\*|\* |\*$|\*/).*$#\1#' | grep -iE "^[^:]+:[0-9]+:.*($1)"
}
# The folders of source code (not the build trees).
sources=(bench driver explorer frontends fuzz geometry platform render res settings shell tests)

program='(shell|explorer|settings|geometry|render|res|driver|frontends)/'
globals='\b(gMainWindow|gCycleStep|gTriangle|gSettings|gTimerId|gInstance|WinMain|OnTimerTick|kConstructions)\b'
finding "platform/ reaches into the program" \
  "$(grep -rnE "#include \"$program" platform; grep -rnwE "$globals" platform | grep -v '^platform/core/windows.h:')"
finding "platform/ names Dreieck" \
  "$(grep -rniE 'dreieck' platform --include='*.cpp' --include='*.h' --include='*.c' --include='*.js' | code dreieck)"

finding "a front end reaches past the driver into the program" \
  "$(grep -rnE '#include "(shell|settings|geometry|render|explorer|res)/' frontends)"

running='\b(BackgroundBrush|SaveProgram|RestoreProgram|ResetProgram|LoadSettings|SaveSettings|TickWithCorners|DrawCycleUpTo)\b'
finding "a front end names the program's state or its functions" \
  "$(grep -rnE "$globals|$running" frontends --include='*.cpp' --include='*.h' | code "$globals|$running")"

finding "testing.h is included outside the core, the tests, the fuzzers and the benchmarks" \
  "$(grep -rnE '#include "platform/core/testing.h"' --include='*.cpp' --include='*.h' "${sources[@]}" 2>/dev/null |
    grep -vE '^(platform/core|tests|fuzz|bench)/')"
finding "the core's inner state is reached from outside the core" \
  "$(grep -rnE '#include "platform/core/state.h"' --include='*.cpp' --include='*.h' "${sources[@]}" 2>/dev/null |
    grep -vE '^platform/core/')"

# The registry's value names and the constructions' option names, as the program
# writes them once (settings/).
names=$(grep -ohE '"[A-Z][a-z]+( [A-Z][a-z]+)?"|"[a-z]+(-[a-z]+)*"' settings/constructions.cpp settings/store.cpp |
  tr -d '"' | sort -u)
script=frontends/page/site/page.js
found=""
while read -r name; do
  [ -n "$name" ] || continue
  hit=$(grep -nF -- "$name" "$script" | grep -vE '^[0-9]+:\s*//' | head -1)
  [ -n "$hit" ] && found+="$script:$hit (\"$name\")"$'\n'
done <<<"$names"
finding "the page's script knows what the program knows" "${found%$'\n'}"

# Nor what Win32 knows: virtual-key codes and message numbers (which come in hex, or as
# numbered constants), the dialog units' pixels, Win32's names. The page names its
# events, keys and pointer shapes as the browser does; the program turns them into its
# own numbers (platform/web).
win32='\b0x[0-9a-fA-F]+\b|\b1\.(5|625)\b|\b(VK|WM|IDC|MK|BM|SB)_[A-Z]+|\bconst\s+(event|pointer|key|unit|vk)[A-Za-z]*\s*=\s*[0-9]'
finding "the page's script holds Win32's numbers" "$(grep -nE "$win32" "$script" | sed "s|^|$script:|" | code "$win32")"

[ "$broken" -eq 0 ] && echo "layout: every rule holds"
exit "$broken"
