#!/usr/bin/env bash
# tests/layout.sh against planted faults: a copy of the tree holds as it is, and each
# of the layout's rules, broken once in a copy, is found with its heading and the line
# that breaks it, and nothing else is.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
# shellcheck source=SCRIPTDIR/lib/checks.sh
source "$here/lib/checks.sh"
new_run layout

folders=(bench driver explorer frontends fuzz geometry platform render res settings shell tests)
# fresh: a copy of the tree's folders of code in $run/tree.
fresh() {
  rm -rf "$run/tree" && mkdir -p "$run/tree"
  (cd "$top" && cp -r "${folders[@]}" "$run/tree/")
}

fresh
"$top/tests/layout.sh" "$run/tree" >"$run/whole.out"
expect_eq "the tree as it is: exit code" 0 "$?"
expect_eq "the tree as it is: what it says" "layout: every rule holds" "$(cat "$run/whole.out")"

# file | the line planted at its end | the heading of the rule it breaks
planted=(
  "platform/x11/events.cpp|#include \"shell/host.h\"|platform/ reaches into the program"
  "platform/cairo/canvas.cpp|int Count() { return gCycleStep; }|platform/ reaches into the program"
  "platform/x11/own_window.cpp|const char kTitle[] = \"Dreieck\";|platform/ names Dreieck"
  "platform/web/backend.cpp|  std::fputs(\"dreieck: gone\\\\n\", stderr);|platform/ names Dreieck"
  "frontends/linux/display.cpp|#include \"settings/settings.h\"|a front end reaches past the driver into the program"
  "frontends/page/main.cpp|#include \"shell/shell.h\"|a front end reaches past the driver into the program"
  "frontends/linux/picture.cpp|#include \"explorer/explorer.h\"|a front end reaches past the driver into the program"
  "frontends/page/main.cpp|int Shade() { return gSettings.background; }|a front end names the program's state or its functions"
  "frontends/linux/display.cpp|  ResetProgram();|a front end names the program's state or its functions"
  "platform/x11/backend.h|#define kTitle \"Dreieck\"|platform/ names Dreieck"
  "platform/x11/events.cpp|  *title = \"Dreieck\";|platform/ names Dreieck"
  "platform/cairo/svg.cpp|const char* Who() { return \"dreieck\"; }  // its name|platform/ names Dreieck"
  "driver/run.cpp|#include \"platform/core/testing.h\"|testing.h is included outside the core, the tests, the fuzzers and the benchmarks"
  "platform/record/record.cpp|#include \"platform/core/state.h\"|the core's inner state is reached from outside the core"
  "frontends/page/site/page.js|const valueName = \"Hintergrundfarbe\";|the page's script knows what the program knows"
  "frontends/page/site/page.js|const namedKeys = { ArrowLeft: 0x25 };|the page's script holds Win32's numbers"
  "frontends/page/site/page.js|const eventSettings = 1, eventPointer = 2;|the page's script holds Win32's numbers"
  "frontends/page/site/page.js|const across = units => units * 1.5;|the page's script holds Win32's numbers"
  "frontends/page/site/page.js|const down = units => units * 1.625;|the page's script holds Win32's numbers"
  "frontends/page/site/page.js|post(WM_KEYDOWN);|the page's script holds Win32's numbers"
)
for row in "${planted[@]}"; do
  IFS='|' read -r file line heading <<<"$row"
  fresh
  printf '%s\n' "$line" >>"$run/tree/$file"
  "$top/tests/layout.sh" "$run/tree" >"$run/planted.out"
  rc=$?
  expect_eq "$line in $file: exit code" 1 "$rc"
  expect_eq "$line in $file: the rule" "layout: $heading:" "$(head -1 "$run/planted.out")"
  if grep -qF "$file:" "$run/planted.out"; then
    pass "$line in $file: the place is named"
  else
    fail "$line in $file: the place is not named: $(cat "$run/planted.out")"
  fi
done
# Comments may name Dreieck and the program's state.
# file | the comment planted at its end
comments=(
  "platform/x11/events.cpp|// Dreieck is drawn here as well."
  "platform/x11/backend.cpp|static int kept = 1;  // as Dreieck keeps it"
  "platform/web/backend.cpp|/* Dreieck's page"
  "platform/web/backend.cpp| * draws into Dreieck's canvas */"
  "frontends/linux/display.cpp|// gSettings is the driver's to read."
  "frontends/page/site/page.js|// A key, as Windows has it (VK_ESCAPE, 0x1b), is the program's to know."
)
for row in "${comments[@]}"; do
  IFS='|' read -r file line <<<"$row"
  fresh
  printf '%s\n' "$line" >>"$run/tree/$file"
  "$top/tests/layout.sh" "$run/tree" >"$run/comment.out"
  expect_eq "the comment '$line' in $file: exit code" 0 "$?"
done
rm -rf "$run/tree"
checks_end
