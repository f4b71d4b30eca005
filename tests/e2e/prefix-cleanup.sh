#!/usr/bin/env bash
# Removes the run's Wine prefix once the end-to-end tests are done (the run folders
# of the tests, with their screenshots and logs, stay). A test run later makes a new
# one.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
: "${DREIECK_E2E_WORK:?}"
trap e2e_unlock EXIT
e2e_lock || exit 1
e2e_stop_wine
rm -rf "$(e2e_prefix)" "$DREIECK_E2E_WORK/prefix.reg"
if [ -e "$(e2e_prefix)" ]; then
  echo "FAIL: $(e2e_prefix) is still there"
  exit 1
fi
log "removed the Wine prefix; the tests' files are in $DREIECK_E2E_WORK"
