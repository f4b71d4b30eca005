#!/usr/bin/env bash
# The Debian package of a host build: `cpack -G DEB` makes dreieck_<version>_<arch>.deb
# whose control fields name the libraries and the font it needs, whose files are exactly
# the program (in bin/ and in XScreenSaver's folder of display modes), its option
# description, its man page, its copyright, its desktop entries, icons and AppStream
# metainfo (valid by desktop-file-validate and appstreamcli, the icons res/dreieck.ico
# pixel for pixel), the same files `cmake --install` installs, and whose program runs
# from the unpacked tree. With DREIECK_INSTALL_TEST=1 it is also installed with apt and removed again,
# which must leave nothing of it behind (this changes the machine: root only).
#
# Env: DREIECK_HOST_BUILD (default build/host), DREIECK_INSTALL_TEST.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=${DREIECK_HOST_BUILD:-$top/build/host}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null)
app_id=$(sed -n 's/^DREIECK_APP_ID:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null)
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$here/../lib/checks.sh"
need_tools cpack dpkg dpkg-deb xmllint man file desktop-file-validate appstreamcli identify convert rsvg-convert
[ -f "$build/CPackConfig.cmake" ] ||
  { echo "FAIL: $build has no CPackConfig.cmake (a host build that includes cmake/packaging.cmake)"; exit 1; }
arch=$(dpkg --print-architecture)
[ -n "$version" ] || { echo "FAIL: $build/CMakeCache.txt names no project version"; exit 1; }
[ -n "$app_id" ] || { echo "FAIL: $build/CMakeCache.txt names no DREIECK_APP_ID"; exit 1; }

new_run package
installed=no
# shellcheck disable=SC2317  # runs from the trap
cleanup() {
  if [ "$installed" == yes ]; then
    DEBIAN_FRONTEND=noninteractive timeout 300 apt-get remove -y dreieck >>"$run/apt-remove.log" 2>&1
  fi
  tidy_run
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
  "Suggests|swayidle"
  "Depends|~ libcairo2 libx11-6 libwayland-client0 libwayland-cursor0 libxkbcommon0 libfontconfig1 fonts-liberation libc6"
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
icon_files=()
for size in 16 22 24 32 48 64 128 256; do icon_files+=("usr/share/icons/hicolor/${size}x$size/apps/dreieck.png"); done
icon_files+=(usr/share/icons/hicolor/scalable/apps/dreieck.svg)
expected_files=$(printf '%s\n' usr/bin/dreieck usr/libexec/xscreensaver/dreieck "usr/share/applications/$app_id.desktop" \
  "usr/share/applications/$app_id.saver.desktop" usr/share/doc/dreieck/changelog.gz usr/share/doc/dreieck/copyright usr/share/man/man6/dreieck.6.gz \
  "usr/share/metainfo/$app_id.metainfo.xml" usr/share/xscreensaver/config/dreieck.xml "${icon_files[@]}" | sort)
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

# The application menu: the desktop entries and the metainfo as their validators see
# them (their words in the failure), what the entries run and show, the icons.
applications=$root/usr/share/applications
for entry in "$app_id.desktop|dreieck --explore|Dreieck" "$app_id.saver.desktop|dreieck|Dreieck Screensaver"; do
  IFS='|' read -r file exec name <<<"$entry"
  [ -f "$applications/$file" ] || continue  # the list of files names it
  if desktop-file-validate "$applications/$file" >"$run/desktop.out" 2>&1; then
    pass "desktop-file-validate $file"
  else
    fail "desktop-file-validate $file:"$'\n'"$(cat "$run/desktop.out")"
  fi
  expect_eq "$file: Name, Exec, Icon" "Name=$name|Exec=$exec|Icon=dreieck" \
    "$(grep -E '^(Name|Exec|Icon)=' "$applications/$file" | paste -sd '|')"
done
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
if [ -f "$metainfo" ]; then
  if appstreamcli validate --no-net "$metainfo" >"$run/appstream.out" 2>&1; then
    pass "appstreamcli validate --no-net $(basename "$metainfo")"
  else
    fail "appstreamcli validate --no-net $(basename "$metainfo"):"$'\n'"$(cat "$run/appstream.out")"
  fi
  # Each launchable is an entry of the package; the id and the program are the package's.
  for launchable in $(xmllint --xpath '//launchable/text()' "$metainfo" 2>/dev/null); do
    if [ -f "$applications/$launchable" ]; then
      pass "the metainfo launches $launchable"
    else
      fail "the metainfo names $launchable, which the package does not have"
    fi
  done
  expect_eq "the metainfo's id and binary" "$app_id dreieck" \
    "$(xmllint --xpath 'concat(/component/id, " ", //provides/binary)' "$metainfo" 2>&1)"
fi
python=/usr/bin/python3
[ -x "$python" ] || python=python3
if (cd "$root" && "$python" "$top/tests/icon_pixels.py" files "$top/res/dreieck.ico" "${icon_files[@]}") \
  >"$run/icons.out" 2>&1; then
  pass "the icons are res/dreieck.ico, pixel for pixel"
else
  fail "the icons:"$'\n'"$(grep -v '^ok:' "$run/icons.out")"
fi

# cmake --install puts the same files where it is told.
if cmake --install "$build" --prefix "$run/prefix/usr" >"$run/install.log" 2>&1; then
  expect_eq "cmake --install installs the package's files" "$expected_files" \
    "$(cd "$run/prefix" && find . ! -type d | sed 's|^\./||' | sort)"
else
  fail "cmake --install: $(tail -3 "$run/install.log")"
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

checks_end
