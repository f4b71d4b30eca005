#!/usr/bin/env bash
# The Windows build of the command-line parser, reading handles with the real
# runtime's strtoul, against the table the host's unit tests hold
# (tests/commandline_cases.h): both builds must read every line alike.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
: "${DREIECK_COMMANDLINE:?}"
e2e_begin commandline
timeout 60 wine "$DREIECK_COMMANDLINE" >"$run/table.out" 2>"$run/table.err"
rc=$?
tr -d '\r' <"$run/table.out"
expect_eq "the Windows runtime reads every command line of the table as expected" 0 "$rc"
checks_end
