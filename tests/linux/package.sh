#!/usr/bin/env bash
# The Debian package of a host build: `cpack -G DEB` makes dreieck_<version>_<arch>.deb
# whose control fields name the libraries and the font it needs, whose files are exactly
# the program (in bin/ and in XScreenSaver's folder of display modes), its option
# description, its man page and its copyright, and whose program runs from the unpacked
# tree. With DREIECK_INSTALL_TEST=1 it is also installed with apt and removed again,
# which must leave nothing of it behind (this changes the machine: root only).
#
# Env: DREIECK_HOST_BUILD (default build/host), DREIECK_INSTALL_TEST.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=${DREIECK_HOST_BUILD:-$top/build/host}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null)

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
expect_eq() { if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi; }

for tool in cpack dpkg dpkg-deb xmllint man file; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done
[ -f "$build/CPackConfig.cmake" ] ||
  { echo "FAIL: $build has no CPackConfig.cmake (a host build that includes cmake/packaging.cmake)"; exit 1; }
arch=$(dpkg --print-architecture)
[ -n "$version" ] || { echo "FAIL: $build/CMakeCache.txt names no project version"; exit 1; }

run=$(mktemp -d /tmp/package.XXXXXX)
installed=no
# shellcheck disable=SC2317  # runs from the trap
cleanup() {
  if [ "$installed" == yes ]; then
    DEBIAN_FRONTEND=noninteractive timeout 300 apt-get remove -y dreieck >>"$run/apt-remove.log" 2>&1
  fi
  if [ "$failures" -eq 0 ]; then rm -rf "$run"; fi
}
trap cleanup EXIT

# The package goes to a folder of ours, so parallel runs and the build tree stay apart.
(cd "$build" && timeout 900 cpack -G DEB -B "$run/out") >"$run/cpack.log" 2>&1 ||
  { cat "$run/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1; }
deb=$run/out/dreieck_${version}_$arch.deb
if [ -f "$deb" ]; then
  pass "cpack made $(basename "$deb")"
else
  fail "no $(basename "$deb"); cpack made: $(cd "$run/out" && ls ./*.deb 2>/dev/null)"
  exit 1
fi

# field | what it must hold (a value, or "~ NAME..." for packages the field must name)
fields=(
  "Package|dreieck"
  "Version|$version"
  "Architecture|$arch"
  "Section|x11"
  "Recommends|xscreensaver"
  "Depends|~ libcairo2 libx11-6 libfontconfig1 fonts-liberation libc6"
)
for row in "${fields[@]}"; do
  IFS='|' read -r field want <<<"$row"
  got=$(dpkg-deb -f "$deb" "$field")
  if [ "${want:0:2}" == "~ " ]; then
    # The package names of the relation, without versions.
    names=" $(sed 's/(.*)//; s/^ *//; s/ *$//' <<<"${got//[,|]/$'\n'}" | tr '\n' ' ') "
    for name in ${want:2}; do
      if [[ $names == *" $name "* ]]; then pass "$field names $name"; else fail "$field does not name $name: $got"; fi
    done
  else
    expect_eq "$field" "$want" "$got"
  fi
done
if dpkg-deb -f "$deb" Maintainer | grep -qE '^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$'; then
  pass "Maintainer is a name and an address"
else
  fail "Maintainer: $(dpkg-deb -f "$deb" Maintainer)"
fi
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no Description"

# Exactly these files; directories are the package's business.
root=$run/root
dpkg-deb -x "$deb" "$root" || { fail "dpkg-deb -x"; exit 1; }
expected_files="usr/bin/dreieck
usr/libexec/xscreensaver/dreieck
usr/share/doc/dreieck/changelog.gz
usr/share/doc/dreieck/copyright
usr/share/man/man6/dreieck.6.gz
usr/share/xscreensaver/config/dreieck.xml"
expect_eq "the files of the package" "$expected_files" "$(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)"
expect_eq "every file belongs to root" "" "$(dpkg-deb -c "$deb" | awk '$2 != "root/root" { print $NF }')"
expect_eq "no file or folder writable by others" "" \
  "$(dpkg-deb -c "$deb" | awk 'substr($1, 1, 1) != "l" && substr($1, 9, 1) == "w" { print $NF }')"

program=$root/usr/bin/dreieck
if [ -f "$program" ] && [ -x "$program" ]; then
  expect_eq "usr/bin/dreieck --version" "dreieck $version" "$("$program" --version 2>&1)"
  case $(file -b "$program") in
    *", stripped"*) pass "the program is stripped" ;;
    *) fail "the program is not stripped: $(file -b "$program")" ;;
  esac
else
  fail "usr/bin/dreieck is no executable file"
fi
mode=$root/usr/libexec/xscreensaver/dreieck
expect_eq "libexec/xscreensaver/dreieck --version" "dreieck $version" "$("$mode" --version 2>&1)"
if [ -L "$mode" ]; then
  # A link must stay inside the package: relative, and landing on usr/bin/dreieck.
  target=$(readlink "$mode")
  [ "${target:0:1}" != / ] || fail "the display mode links to an absolute path: $target"
  expect_eq "the display mode is the program" "$(realpath "$program")" "$(realpath "$mode")"
fi
if xmllint --noout "$root/usr/share/xscreensaver/config/dreieck.xml" 2>"$run/xmllint.err"; then
  pass "the option description is well-formed"
else
  fail "the option description: $(cat "$run/xmllint.err")"
fi
expect_eq "the option description is the source's" "" \
  "$(cmp "$root/usr/share/xscreensaver/config/dreieck.xml" "$top/frontends/linux/dreieck.xml" 2>&1)"
man -l "$root/usr/share/man/man6/dreieck.6.gz" >"$run/man.txt" 2>"$run/man.err"
if grep -q '^NAME' "$run/man.txt" && grep -q -- '--window-id' "$run/man.txt" && [ ! -s "$run/man.err" ]; then
  pass "the man page renders"
else
  fail "the man page does not render cleanly: $(head -3 "$run/man.err")"
fi

if [ "${DREIECK_INSTALL_TEST:-0}" == 1 ]; then
  echo "installing the package with apt (DREIECK_INSTALL_TEST=1)"
  if [ "$(id -u)" -ne 0 ]; then
    fail "the install test needs root"
  elif dpkg-query -W -f='${Status}' dreieck 2>/dev/null | grep -q ' installed$'; then
    fail "dreieck is installed already; the install test leaves a machine's own installation alone"
  else
    installed=yes
    if DEBIAN_FRONTEND=noninteractive timeout 600 apt-get install -y "$deb" >"$run/apt-install.log" 2>&1; then
      pass "apt-get install $(basename "$deb")"
      expect_eq "dpkg status" "install ok installed" "$(dpkg-query -W -f='${Status}' dreieck 2>&1)"
      expect_eq "installed files" "/${expected_files//$'\n'/$'\n'/}" \
        "$(dpkg -L dreieck | while read -r f; do [ -d "$f" ] && [ ! -L "$f" ] || echo "$f"; done | sort)"
      expect_eq "dreieck on PATH" "dreieck $version" "$(env -i PATH=/usr/bin:/bin dreieck --version 2>&1)"
      expect_eq "man finds the page" /usr/share/man/man6/dreieck.6.gz "$(man -w 6 dreieck 2>&1)"
    else
      tail -20 "$run/apt-install.log"
      fail "apt-get install $(basename "$deb")"
    fi
    if DEBIAN_FRONTEND=noninteractive timeout 300 apt-get remove -y dreieck >"$run/apt-remove.log" 2>&1; then
      installed=no
      pass "apt-get remove dreieck"
    else
      fail "apt-get remove dreieck"
    fi
    status=$(dpkg-query -W -f='${Status}' dreieck 2>/dev/null)
    [[ -z $status || $status == *not-installed* ]] || fail "dpkg still knows dreieck: $status"
    left=()
    while read -r f; do [ -e "/$f" ] || [ -L "/$f" ] && left+=("/$f"); done <<<"$expected_files"
    [ -d /usr/share/doc/dreieck ] && left+=(/usr/share/doc/dreieck)
    expect_eq "nothing of it left" "" "${left[*]}"
  fi
fi

if [ "$failures" -eq 0 ]; then
  echo PASS
  exit 0
fi
echo "FAIL: $failures checks failed; files in $run"
exit 1
