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
  "driver/run.cpp|#include \"platform/core/testing.h\"|testing.h is included outside the core, the tests, the fuzzers and the benchmarks"
  "platform/record/record.cpp|#include \"platform/core/state.h\"|the core's inner state is reached from outside the core"
  "frontends/page/site/page.js|const valueName = \"Hintergrundfarbe\";|the page's script knows what the program knows"
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
# A comment may name Dreieck.
fresh
printf '// Dreieck is drawn here as well.\n' >>"$run/tree/platform/x11/events.cpp"
"$top/tests/layout.sh" "$run/tree" >"$run/comment.out"
expect_eq "a comment that names Dreieck in platform/: exit code" 0 "$?"
rm -rf "$run/tree"
checks_end
