#!/usr/bin/env bash
# Makes the run's Wine prefix, which the end-to-end tests of the run share: wineboot,
# Wine's modules as placeholders (tools/lib/wine.sh, slim_prefix), and a copy of the
# registry files that every test starts from. Checks that the prefix came out whole
# and small.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
: "${DREIECK_E2E_WORK:?}"
trap 'e2e_stop_wine; e2e_unlock' EXIT
e2e_lock || exit 1
# A new run: the files of the last one go (the lock file stays; whoever waits on it
# holds it open), and with them any prefix it left.
e2e_stop_wine
find "$DREIECK_E2E_WORK" -mindepth 1 -maxdepth 1 ! -name prefix.lock ! -name "prefix.lock.*" -exec rm -rf {} +
prefix=$(e2e_prefix)
log "making a Wine prefix in $prefix"
start=$(date +%s)
if ! e2e_make_prefix; then
  echo "FAIL: wineboot did not make the prefix; see $DREIECK_E2E_WORK/setup/wineboot.err"
  tail -20 "$DREIECK_E2E_WORK/setup/wineboot.err"
  exit 1
fi
run=$DREIECK_E2E_WORK/setup
log "prefix ready in $(($(date +%s) - start)) s: $(du -sh "$prefix" | cut -f1)"
cat "$DREIECK_E2E_WORK/setup/slim.out"
# Wine runs its programs from the slimmed prefix (reg.exe is a placeholder there too),
# and the setting every test relies on is in: Wine draws the frames itself.
(
  e2e_env "$run"
  export WINEPREFIX=$prefix
  timeout 60 wine reg query 'HKCU\Software\Wine\X11 Driver' /v Managed >"$run/query.out" 2>"$run/query.err"
)
expect_eq "wine reg query: no window manager for the X11 driver" "Managed REG_SZ N" \
  "$(tr -d '\r' <"$run/query.out" | awk '$1 == "Managed" { print $1, $2, $3 }')"
expect_eq "no settings of the screensaver yet" 0 "$(grep -c 'Software\\\\Morvaselkin' "$prefix/user.reg")"
expect_eq "the registry copy every test starts from" "system.reg user.reg userdef.reg" \
  "$(cd "$DREIECK_E2E_WORK/prefix.reg" && echo *.reg)"
# Placeholders only where Wine has a module of that name; the prefix stays under 64 MB
# (a full copy of Wine's modules is about 700 MB).
if command -v x86_64-w64-mingw32-gcc >/dev/null; then
  placeholders=$(cat "$prefix/.placeholders" 2>/dev/null || echo 0)
  [ "$placeholders" -gt 500 ] && pass "$placeholders of Wine's modules are placeholders" ||
    fail "only $placeholders placeholders"
  kb=$(du -sk "$prefix" | cut -f1)
  [ "$kb" -lt 65536 ] && pass "the prefix takes $kb KB" || fail "the prefix takes $kb KB"
  expect_eq "kernel32.dll is a placeholder" "Wine placeholder DLL" \
    "$(dd if="$prefix/drive_c/windows/system32/kernel32.dll" bs=1 skip=64 count=20 status=none)"
fi
checks_end
