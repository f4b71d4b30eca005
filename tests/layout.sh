#!/usr/bin/env bash
# The house's rules that no compiler checks, in a source tree (the one this script
# lies in, or ROOT):
# - a backend is only a backend: nothing under platform/ includes the program's code
#   (shell/, explorer/, settings/, geometry/, render/, res/), the driver or a front end,
#   names one of the program's globals, or names Dreieck outside its comments (the
#   front ends hand in the names, titles and icons their windows carry);
# - the front ends reach the program only through the driver: nothing under
#   frontends/ includes shell/, settings/, geometry/, render/, explorer/ or res/;
# - the tests' seam stays the tests': only the core's own files, tests, fuzzers and
#   benchmarks include platform/core/testing.h, and only the core's own files include
#   its inner state (platform/core/state.h); the recording backend sees the core through
#   platform/core/seam.h;
# - the page's script holds none of the program's facts: no registry value name and no
#   name of a construction (the settings dialog it draws is the program's, described
#   by the core).
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
# code FILES...: grep's FILE:LINE:TEXT lines on stdin without those that are only a
# comment.
code() { grep -vE '^[^:]+:[0-9]+:\s*(//|\*|/\*|#)'; }

program='(shell|explorer|settings|geometry|render|res|driver|frontends)/'
globals='\b(gMainWindow|gCycleStep|gTriangle|gSettings|gTimerId|gInstance|WinMain|OnTimerTick|kConstructions)\b'
finding "platform/ reaches into the program" \
  "$(grep -rnE "#include \"$program" platform; grep -rnwE "$globals" platform | grep -v '^platform/core/windows.h:')"
finding "platform/ names Dreieck" \
  "$(grep -rniE 'dreieck' platform --include='*.cpp' --include='*.h' --include='*.c' --include='*.js' | code)"

finding "a front end reaches past the driver into the program" \
  "$(grep -rnE '#include "(shell|settings|geometry|render|explorer|res)/' frontends)"

finding "testing.h is included outside the core, the tests, the fuzzers and the benchmarks" \
  "$(grep -rnE '#include "platform/core/testing.h"' --include='*.cpp' --include='*.h' . |
    grep -vE '^\./(platform/core|tests|fuzz|bench)/')"
finding "the core's inner state is reached from outside the core" \
  "$(grep -rnE '#include "platform/core/state.h"' --include='*.cpp' --include='*.h' . | grep -vE '^\./platform/core/')"

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

[ "$broken" -eq 0 ] && echo "layout: every rule holds"
exit "$broken"
