#!/usr/bin/env bash
# Makes the run's Wine prefix once; every end-to-end test starts from a copy of it.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
: "${DREIECK_E2E_WORK:?}"
run="$DREIECK_E2E_WORK/template"
rm -rf "$DREIECK_E2E_WORK"
mkdir -p "$run"
log "making a Wine prefix in $run/prefix"
if make_prefix "$run"; then
  log "prefix ready"
  exit 0
fi
echo "FAIL: wineboot did not make the prefix; see $run/wineboot.err"
tail -20 "$run/wineboot.err"
exit 1
