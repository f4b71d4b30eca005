#!/usr/bin/env bash
# The shipped file as Windows sees it before it runs: a 64-bit GUI program under
# 64 KB that imports only system DLLs, named "Dreieck" for the Screen Saver Settings
# list, with a manifest declaring DPI awareness.
#   product.sh Dreieck.scr
set -uo pipefail
scr=${1:?usage: product.sh Dreieck.scr}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
windres=${WINDRES:-x86_64-w64-mingw32-windres}
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$(dirname "$0")/../lib/checks.sh"

headers=$("$objdump" -p "$scr") || { echo "FAIL: $objdump cannot read $scr"; exit 1; }
expect_eq "file format" "pei-x86-64" "$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$headers" | head -1)"
expect_eq "subsystem" "(Windows GUI)" "$(awk '/^Subsystem/ {print $3, $4}' <<<"$headers")"
# Only what every Windows has; no libwinpthread-1.dll, libstdc++ or libgcc DLLs.
expect_eq "imported DLLs" "advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll" \
  "$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort | tr '\n' ' ' | sed 's/ $//')"

size=$(stat -c %s "$scr")
echo "size: $size bytes"
expect_eq "size under 64 KB" "yes" "$([ "$size" -lt 65536 ] && echo yes || echo "no, $size bytes")"
expect_eq "stripped" "symbols stripped" "$(grep -o 'symbols stripped' <<<"$headers" | head -1)"

resources=$("$windres" -i "$scr" -O rc 2>/dev/null) || { echo "FAIL: $windres cannot read the resources"; exit 1; }
expect_eq "string 1 names the screensaver" '1, "Dreieck"' \
  "$(awk '/^STRINGTABLE/ {s=1} s && /^  1,/ {sub(/^  /, ""); print; exit}' <<<"$resources")"
expect_eq "string table language German (Switzerland)" "LANGUAGE 7, 2" \
  "$(awk '/^LANGUAGE/ {l=$0} /^STRINGTABLE/ {print l; exit}' <<<"$resources")"
manifest=$(grep -c 'RT_MANIFEST' <<<"$resources")
expect_eq "one application manifest" "1" "$manifest"
expect_eq "manifest declares per-monitor DPI awareness" "2" \
  "$(grep -cE '<dpiAware .*>true/pm</dpiAware>|<dpiAwareness .*>PerMonitorV2, PerMonitor</dpiAwareness>' <<<"$resources")"

checks_end
