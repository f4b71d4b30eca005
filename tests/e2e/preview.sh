#!/usr/bin/env bash
# "/p <HWND>": our preview host (previewhost.exe) makes a window, starts the program
# with its handle and checks the child window from the outside, then destroys its
# window and expects the program to end with 0. A line that names no window ends
# with 0 and makes no window. Wine does not paint a child window of another process,
# so these checks read window state, not pixels.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin preview

n=0
for line in "/p %u" "/p:%u" "/p  %u" "/p 0" "/p" "/p 12ab"; do
  n=$((n + 1))
  log "previewhost [$line]"
  timeout 90 wine "${DREIECK_PREVIEWHOST:?}" "$E2E_SCR" "$line" >"$run/host-$n.out" 2>"$run/host-$n.err"
  rc=$?
  tr -d '\r' <"$run/host-$n.out" | sed 's/^/    /'
  expect_eq "[$line]: every check of the preview host" "0" "$rc"
done
checks_end
