#!/usr/bin/env bash
# The house's rules that no compiler checks:
# - a backend is only a backend: nothing under platform/ includes the program's code
#   (shell/, explorer/, settings/, geometry/, render/, res/), the driver or a front end,
#   or names one of the program's globals;
# - the Wayland backend names nothing of Dreieck: the front end hands it its windows'
#   title and app id (a message's "dreieck:" aside, as every backend begins them);
# - the page's script holds none of the program's facts: no registry value name and no
#   name of a construction (the settings dialog it draws is the program's, described
#   by the core).
# Each finding is one line FILE:LINE: TEXT; the exit code is the number of rules broken.
set -u
cd "$(dirname "$0")/.." || exit 2
broken=0

program='(shell|explorer|settings|geometry|render|res|driver|frontends)/'
globals='\b(gMainWindow|gCycleStep|gTriangle|gSettings|gTimerId|gInstance|WinMain|OnTimerTick|kConstructions)\b'
found=$(grep -rnE "#include \"$program" platform; grep -rnwE "$globals" platform | grep -v '^platform/core/windows.h:')
if [ -n "$found" ]; then
  echo "layout: platform/ reaches into the program:"
  echo "$found"
  broken=$((broken + 1))
fi

found=$(grep -rnE 'Dreieck|org\.example|"dreieck"' platform/wayland --include='*.cpp' --include='*.h')
if [ -n "$found" ]; then
  echo "layout: the Wayland backend names Dreieck:"
  echo "$found"
  broken=$((broken + 1))
fi

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
if [ -n "$found" ]; then
  echo "layout: the page's script knows what the program knows:"
  printf '%s' "$found"
  broken=$((broken + 1))
fi
[ "$broken" -eq 0 ] && echo "layout: every rule holds"
exit "$broken"
