#!/usr/bin/env bash
# A release is reproducible: tools/release.sh run in two clean clones of the checkout's
# commit, in two different folders (of different depths), one after the other, under
# different umasks, time zones and locales, writes the same bytes into both dist/
# folders (tools/compare-release.sh names the first file and byte that differ, and the
# member inside an archive), and docs/release.md's verification of the first by the
# second passes, its commands as written. The releases skip their own tests (the
# stages of tools/test-all.sh run those); lintian runs in both.
#
#   tests/release/reproducible.sh [--inject-timestamp]
#
# --inject-timestamp is the check of the check: the second clone's commit is made again
# with the same dates but without mingw's --no-insert-timestamp, so Dreieck.scr carries
# its link time, and the comparison must name the Windows ZIP, the member Dreieck.scr
# and the byte of the PE header's time stamp (it passes when it does).
#
# Both releases take the WebAssembly libraries (pixman, FreeType, Cairo) from one folder,
# DREIECK_WEB_DEPS (default: this checkout's build/web/deps, which the web build makes):
# they are inputs like the system's libraries; the page's own code is built twice.
# The clones are removed when the test passes (KEEP=1 keeps them).
# Exit code 0 passed, 1 failed, 2 wrong usage.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$here/../lib/checks.sh"
# shellcheck source=SCRIPTDIR/lib.sh
source "$here/lib.sh"
inject=no
case ${1:-} in
  "") ;;
  --inject-timestamp) inject=yes ;;
  *) echo "usage: tests/release/reproducible.sh [--inject-timestamp]" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "usage: tests/release/reproducible.sh [--inject-timestamp]" >&2; exit 2; }

commit=$(git -C "$top" rev-parse HEAD) || { echo "FAIL: $top is no git work tree"; exit 1; }
if [ -n "$(git -C "$top" status --porcelain=v1 --untracked-files=no)" ]; then
  echo "note: the work tree has changes that are not committed; this tests the commit ${commit:0:12}"
fi
export DREIECK_WEB_DEPS=${DREIECK_WEB_DEPS:-$top/build/web/deps}
run=$(mktemp -d /tmp/reproducible.XXXXXX)
passed=no
trap '[ "$passed" = yes ] && [ "${KEEP:-0}" != 1 ] && rm -rf "$run"' EXIT

clone() {  # clone DIR: a clean clone of the commit
  git clone --quiet --no-checkout "$top" "$1" && git -C "$1" checkout --quiet --detach "$commit"
}
first=$run/first/dreieck
second=$run/second/a/deeper/folder/dreieck-again
if ! clone "$first" || ! clone "$second"; then echo "FAIL: cloning $top"; exit 1; fi
if [ "$inject" = yes ]; then
  # The same commit, dates and message but Dreieck.scr with the time of its link.
  sed -i '/--no-insert-timestamp/d' "$second/cmake/reproducible.cmake"
  (cd "$second" &&
    GIT_AUTHOR_DATE=$(git log -1 --format=%aI) GIT_COMMITTER_DATE=$(git log -1 --format=%cI) \
    git -c user.name=reproducible -c user.email=reproducible@localhost commit --quiet -a -C HEAD) ||
    { echo "FAIL: making the commit with the time stamp"; exit 1; }
fi

# release NAME DIR UMASK TZ LOCALE: tools/release.sh in the clone DIR, its output in
# $run/NAME.log.
release() {
  local name=$1 dir=$2 start=$SECONDS rc
  (cd "$dir" && umask "$3" && TZ=$4 LC_ALL=$5 LANG=$5 tools/release.sh --skip-tests) >"$run/$name.log" 2>&1
  rc=$?
  if [ "$rc" -ne 0 ]; then
    tail -n 40 "$run/$name.log"
    echo "FAIL: the $name release (in $dir) ended with $rc; its log: $run/$name.log"
    exit 1
  fi
  pass "the $name release, in $dir, umask $3, TZ=$4, LC_ALL=$5 ($((SECONDS - start)) s)"
}
release first "$first" 022 UTC C
release second "$second" 077 Pacific/Kiritimati C.UTF-8

for dir in "$first" "$second"; do
  count=$(find "$dir/dist" -maxdepth 1 -type f | wc -l)
  if [ "$count" -eq 5 ] && (cd "$dir/dist" && sha256sum --quiet -c SHA256SUMS); then
    pass "$dir/dist holds four artifacts and their SHA256SUMS"
  else
    fail "$dir/dist holds $count files: $(cd "$dir/dist" && find . -maxdepth 1 -type f -printf '%f ')"
  fi
done

tools=$top/tools/compare-release.sh
"$tools" "$first/dist" "$second/dist" >"$run/compare.txt" 2>&1
compared=$?
cat "$run/compare.txt"
if [ "$inject" = no ]; then
  if [ "$compared" -eq 0 ]; then
    pass "the two releases are alike byte for byte: $(cd "$first/dist" && sha256sum SHA256SUMS | cut -c1-16)... of SHA256SUMS"
  else
    fail "the two releases differ (clones kept in $run)"
  fi
  # docs/release.md's verification, the first release as the published one, the second
  # clone as its rebuild.
  verify_release "$top/docs/release.md" "$first/dist" "$top" "$commit" "$second"
else
  # The PE header's TimeDateStamp: bytes 137 to 140 (offsets 0x88 to 0x8b; the header
  # starts at 0x80).
  if [ "$compared" -eq 1 ] &&
     grep -qE '^compare-release: first difference: Dreieck-[0-9.]+-win64\.zip at byte' "$run/compare.txt" &&
     grep -qE '^  in Dreieck-[0-9.]+-win64\.zip: member Dreieck-[0-9.]+-win64/Dreieck\.scr, byte 1(3[7-9]|40) ' \
       "$run/compare.txt"; then
    pass "the injected time stamp is named: the Windows ZIP, its Dreieck.scr, the PE header's time stamp"
  else
    fail "the comparison did not name the injected time stamp in Dreieck.scr (exit code $compared)"
  fi
fi

[ "$failures" -eq 0 ] && passed=yes
checks_end
