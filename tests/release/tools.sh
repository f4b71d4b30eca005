#!/usr/bin/env bash
# The release's tools on made-up notes and archives: tools/news.sh (an entry of
# NEWS.md, the Debian changelog made of it) and tools/compare-release.sh (the first
# file, member and byte where two releases differ), and tools/release.sh's refusals
# (a dirty work tree, a version without notes), which come before any build; then
# tools/release.sh whole, with stand-ins for the builders (cmake, cpack, lintian, ...)
# that make small artifacts as they make theirs: its ZIPs normalised, its sums, its
# source archive, and docs/release.md's verification of that release, as written.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=SCRIPTDIR/../lib/checks.sh
source "$here/../lib/checks.sh"
# shellcheck source=SCRIPTDIR/lib.sh
source "$here/lib.sh"
news=$top/tools/news.sh
compare=$top/tools/compare-release.sh
new_run release-tools
export TZ=UTC LC_ALL=C

# ---- tools/news.sh
cat >"$run/NEWS.md" <<'EOF'
# What's new

Some words before the first version.

## 2.1 (2027-03-04)

Two things:

- A first item that runs on
  onto a second line.
- A second item.

### On Windows

Windows gets a paragraph
of two lines.

## 2.0.1 (2026-12-09)

The first one.

## 1.9

Never released.

## 1.8 (2026-01-01)

EOF

cp "$run/NEWS.md" "$run/NEWS"
# variant NAME LINE...: notes of a few lines, the file NAME in the run folder.
variant() {
  local name=$1
  shift
  printf '%s\n' "$@" >"$run/$name"
}
variant NEWS-day "# News" "" "## 2.2 (2027-02-29)" "" "Said."
variant NEWS-april "# News" "" "## 2.2 (2027-03-04)" "" "Said." "" "## 2.1 (2027-04-31)" "" "Said."
variant NEWS-month "# News" "" "## 2.2 (2027-13-01)" "" "Said."
variant NEWS-zero "# News" "" "## 2.2 (2027-01-00)" "" "Said."
variant NEWS-century "# News" "" "## 2.2 (2100-02-29)" "" "Said."
variant NEWS-leap "# News" "" "## 2.2 (2000-02-29)" "" "A leap day." "" "## 2.1 (2028-02-29)" "" "Another."
variant NEWS-fence "# News" "" "## 2.2 (2027-03-04)" "" "An example:" "" '```' "## 2.1 (2026-12-09)" '```'
variant NEWS-tilde "# News" "" "## 2.2 (2027-03-04)" "" '~~~ sh' '```' "## Notes" '~~~'
variant NEWS-open "# News" "" "## 2.2 (2027-03-04)" "" '   ```' "" "## 2.1 (2026-12-09)"
variant NEWS-closed "# News" "" "## 2.2 (2027-03-04)" "" '```' "# a comment of the shell" '```' "" "## 2.1 (2026-12-09)" \
  "" "Old."
variant NEWS-comment "# News" "" "## 2.2 (2027-03-04)" "" "<!-- what it brings," "     to be written -->" "" \
  "## 2.1 (2026-12-09)" "" "Old."
variant NEWS-said "# News" "" "## 2.2 (2027-03-04)" "" "<!-- before -->" "Said <!-- not this --> twice." "<!-- nor" \
  "this -->"
log() { echo "-- $*"; }
log "news.sh entry: the last day of each month taken, the day after it refused"
# day | exit code
days=("1999-01-31|0" "1999-01-32|4" "2027-02-28|0" "2027-02-29|4" "2028-02-29|0" "2028-02-30|4" "2000-02-29|0"
  "1900-02-29|4" "2027-03-31|0" "2027-03-32|4" "2027-04-30|0" "2027-04-31|4" "2027-05-31|0" "2027-05-32|4"
  "2027-06-30|0" "2027-06-31|4" "2027-07-31|0" "2027-07-32|4" "2027-08-31|0" "2027-08-32|4" "2027-09-30|0"
  "2027-09-31|4" "2027-10-31|0" "2027-10-32|4" "2027-11-30|0" "2027-11-31|4" "2027-12-31|0" "2027-12-32|4"
  "2027-00-10|4" "2027-13-10|4" "2027-05-00|4")
for row in "${days[@]}"; do
  IFS='|' read -r day want <<<"$row"
  variant NEWS-days "# News" "" "## 2.2 ($day)" "" "Said."
  got=$(cd "$run" && "$news" entry NEWS-days 2.2 2>&1)
  rc=$?
  [ "$want" -eq 0 ] && want="0 Said." ||
    want="4 news: NEWS-days line 3: the heading \"## 2.2 ($day)\" names a day that does not exist"
  expect_eq "news.sh entry, the day $day" "$want" "$rc $got"
done
log "news.sh entry: the body of a dated entry, or one line and exit code 4"
# arguments | exit code | the output (stdout and stderr)
cases=(
  "entry NEWS 2.0.1|0|The first one."
  "entry NEWS-day 2.2|4|news: NEWS-day line 3: the heading \"## 2.2 (2027-02-29)\" names a day that does not exist"
  "entry NEWS-april 2.2|4|news: NEWS-april line 7: the heading \"## 2.1 (2027-04-31)\" names a day that does not exist"
  "entry NEWS-month 2.2|4|news: NEWS-month line 3: the heading \"## 2.2 (2027-13-01)\" names a day that does not exist"
  "entry NEWS-zero 2.2|4|news: NEWS-zero line 3: the heading \"## 2.2 (2027-01-00)\" names a day that does not exist"
  "entry NEWS-century 2.2|4|news: NEWS-century line 3: the heading \"## 2.2 (2100-02-29)\" names a day that does not exist"
  "entry NEWS-leap 2.2|0|A leap day."
  "entry NEWS-leap 2.1|0|Another."
  "entry NEWS-fence 2.2|4|news: NEWS-fence line 8: the heading \"## 2.1 (2026-12-09)\" is inside the fenced code block of line 7"
  "entry NEWS-tilde 2.2|4|news: NEWS-tilde line 7: the heading \"## Notes\" is inside the fenced code block of line 5"
  "entry NEWS-open 2.2|4|news: NEWS-open line 7: the heading \"## 2.1 (2026-12-09)\" is inside the fenced code block of line 5"
  "entry NEWS-closed 2.1|0|Old."
  "entry NEWS-comment 2.2|4|news: the entry for 2.2 in NEWS-comment says nothing"
  "entry NEWS-said 2.2|0|Said  twice."
  "entry NEWS 3.0|4|news: NEWS has no entry for version 3.0: add a section '## 3.0 (YYYY-MM-DD)' saying what it brings"
  "entry NEWS 1.9|4|news: the heading of 1.9 in NEWS names no day: write it as '## 1.9 (YYYY-MM-DD)'"
  "entry NEWS 1.8|4|news: the entry for 1.8 in NEWS says nothing"
  "entry NEWS 2.x|2|news: '2.x' is no version (digits and dots)"
  "entry NEWS|2|usage: tools/news.sh entry NEWS.md VERSION | debian-changelog NEWS.md VERSION MAINTAINER OUT"
  "entry MISSING 2.0.1|1|news: cannot read MISSING"
)
for row in "${cases[@]}"; do
  IFS='|' read -r arguments want_rc want_output <<<"$row"
  # shellcheck disable=SC2086  # the words of the case
  set -- $arguments
  got=$(cd "$run" && "$news" "$@" 2>&1)
  rc=$?
  expect_eq "news.sh $arguments: exit code" "$want_rc" "$rc"
  expect_eq "news.sh $arguments: output" "$want_output" "$got"
done
got=$("$news" entry "$run/NEWS.md" 2.1)
expect_eq "news.sh entry 2.1: paragraphs, items and headings as written" \
  "Two things:

- A first item that runs on
  onto a second line.
- A second item.

### On Windows

Windows gets a paragraph
of two lines." "$got"

log "news.sh debian-changelog: every dated entry with words, newest first, as Debian writes them"
maintainer="A Maintainer <maint@example.org>"
expected="dreieck (2.1) stable; urgency=medium

  * Two things:

  * A first item that runs on
    onto a second line.
  * A second item.

  [ On Windows ]

  * Windows gets a paragraph
    of two lines.

 -- $maintainer  Thu, 04 Mar 2027 00:00:00 +0000

dreieck (2.0.1) stable; urgency=medium

  * The first one.

 -- $maintainer  Wed, 09 Dec 2026 00:00:00 +0000"
"$news" debian-changelog "$run/NEWS.md" 2.1 "$maintainer" "$run/changelog"
expect_eq "the changelog of 2.1" "$expected" "$(cat "$run/changelog")"
if command -v dpkg-parsechangelog >/dev/null; then
  expect_eq "dpkg-parsechangelog reads its versions" "2.1 2.0.1" \
    "$(dpkg-parsechangelog -l "$run/changelog" --format rfc822 --all | sed -n 's/^Version: //p' | paste -sd ' ')"
fi
"$news" debian-changelog "$run/NEWS.md" 2.2 "$maintainer" "$run/changelog-2.2"
expect_eq "a version without an entry comes first, UNRELEASED, dated as the newest entry" \
  "dreieck (2.2) UNRELEASED; urgency=medium

  * Not released: NEWS.md has no dated entry for 2.2 yet.

 -- $maintainer  Thu, 04 Mar 2027 00:00:00 +0000

dreieck (2.1) stable; urgency=medium" "$(head -n 7 "$run/changelog-2.2")"

# gzip without name and time, the mode whatever the umask: the same bytes a second later.
(umask 077 && "$news" debian-changelog "$run/NEWS.md" 2.1 "$maintainer" "$run/first.gz")
sleep 1.1
touch "$run/NEWS.md"
"$news" debian-changelog "$run/NEWS.md" 2.1 "$maintainer" "$run/second.gz"
expect_eq "changelog.gz: the same bytes a second later" "" "$(cmp "$run/first.gz" "$run/second.gz" 2>&1)"
expect_eq "changelog.gz: mode 644 under umask 077" 644 "$(stat -c %a "$run/first.gz")"
expect_eq "changelog.gz: the changelog" "$expected" "$(zcat "$run/first.gz")"
# A failed write leaves what was there.
echo "the old one" >"$run/kept"
chmod 555 "$run"
if [ "$(id -u)" -ne 0 ]; then
  "$news" debian-changelog "$run/NEWS.md" 2.1 "$maintainer" "$run/kept" 2>/dev/null
  expect_eq "an unwritable folder: exit code 1" 1 $?
  expect_eq "an unwritable folder: the file as it was" "the old one" "$(cat "$run/kept")"
fi
chmod 755 "$run"
"$news" debian-changelog "$run/NEWS.md" 2.1 "$maintainer" "$run/no/such/folder/changelog" 2>/dev/null
expect_eq "no such folder: exit code 1" 1 $?
# Notes it refuses give no changelog; HTML comments are not in it.
got=$("$news" debian-changelog "$run/NEWS-april" 2.2 "$maintainer" "$run/april.changelog" 2>&1)
expect_eq "a day that does not exist: no changelog, one line, exit code 4" \
  "4 news: $run/NEWS-april line 7: the heading \"## 2.1 (2027-04-31)\" names a day that does not exist " \
  "$? $got $(ls "$run/april.changelog" 2>/dev/null)"
"$news" debian-changelog "$run/NEWS-comment" 2.2 "$maintainer" "$run/comment.changelog"
expect_eq "an entry that is only a comment: not in the changelog, nor is the comment" \
  "dreieck (2.1) stable|no comment" \
  "$(grep -o '^dreieck ([0-9.]*) [A-Za-z]*' "$run/comment.changelog" | paste -sd '|')|$(grep -q -e '<!--' -e 'to be written' \
    "$run/comment.changelog" && echo comment || echo no comment)"
expect_eq "no temporary file left" "" "$(find "$run" -name '*.XXXXXX*' -o -name 'kept.*' -o -name 'changelog.*')"

# ---- tools/compare-release.sh
log "compare-release.sh: alike folders, and the first file, member and byte of a difference"
release_dir() {  # release_dir DIR: two artifacts and SHA256SUMS, every time stamp the same
  mkdir -p "$1/files/Dreieck-9-win64" "$1/tree/dreieck-9"
  printf 'MZ\x90\x00 a program\n' >"$1/files/Dreieck-9-win64/Dreieck.scr"
  printf 'the licence\n' >"$1/files/Dreieck-9-win64/LICENSE.txt"
  printf 'int main() {}\n' >"$1/tree/dreieck-9/main.cpp"
  find "$1/files" "$1/tree" -exec touch -h -d '2026-12-09 12:00:00 UTC' {} +
  (cd "$1/files" && zip -q -X -r "$1/Dreieck-9-win64.zip" Dreieck-9-win64)
  tar -C "$1/tree" --sort=name --owner=0 --group=0 --numeric-owner --mtime='2026-12-09 12:00:00 UTC' -cf - dreieck-9 |
    gzip -9 -n >"$1/dreieck-9.tar.gz"
  rm -rf "$1/files" "$1/tree"
  (cd "$1" && sha256sum -- *.zip *.tar.gz >SHA256SUMS)
}
release_dir "$run/a"
release_dir "$run/b"
got=$("$compare" "$run/a" "$run/b")
expect_eq "alike: exit code" 0 $?
expect_eq "alike: the line" "compare-release: alike: 3 files, byte for byte ($run/a, $run/b)" "$got"

# A time stamp injected into the program inside the ZIP: the ZIP, the member, the byte.
cp -a "$run/a" "$run/stamped"
(cd "$run/stamped" && mkdir x && unzip -q Dreieck-9-win64.zip -d x && rm Dreieck-9-win64.zip &&
  printf 'MZ\x90\x07 a program\n' >x/Dreieck-9-win64/Dreieck.scr &&
  find x -exec touch -h -d '2026-12-09 12:00:00 UTC' {} + &&
  (cd x && zip -q -X -r ../Dreieck-9-win64.zip Dreieck-9-win64) && rm -rf x &&
  sha256sum -- *.zip *.tar.gz >SHA256SUMS)
got=$("$compare" "$run/a" "$run/stamped")
expect_eq "a changed member: exit code" 1 $?
zip_byte=$(cmp "$run/a/Dreieck-9-win64.zip" "$run/stamped/Dreieck-9-win64.zip" | sed -nE 's/.* (byte|char) ([0-9]+),.*/\2/p')
first_line="^compare-release: first difference: Dreieck-9-win64\\.zip at byte $zip_byte \\(offset 0x[0-9a-f]+\\): 0x[0-9a-f]{2} against 0x[0-9a-f]{2}\$"
if [ -n "$zip_byte" ] && [[ $(sed -n 1p <<<"$got") =~ $first_line ]]; then
  pass "a changed member: the ZIP and its first differing byte ($zip_byte, as cmp finds it)"
else
  fail "a changed member: the first line: $(sed -n 1p <<<"$got")"
fi
expect_eq "a changed member: the member and its byte" \
  "  in Dreieck-9-win64.zip: member Dreieck-9-win64/Dreieck.scr, byte 4 (offset 0x3): 0x00 against 0x07" \
  "$(sed -n 2p <<<"$got")"
expect_eq "a changed member: the ZIP and the sums differ" \
  "compare-release: 2 of 3 files differ:|compare-release:   Dreieck-9-win64.zip: differs at byte $zip_byte|compare-release:   SHA256SUMS: differs at byte 1" \
  "$(sed -n '3,5p' <<<"$got" | sed 's/ (offset.*//' | paste -sd '|')"

# The same members, one entry's time in the ZIP an hour later (as a local time zone
# makes it): the archive's own records. ZIP's DOS time sits at bytes 11 and 12 of the
# first entry.
cp -a "$run/a" "$run/later"
(cd "$run/later" && mkdir x && unzip -q Dreieck-9-win64.zip -d x && rm Dreieck-9-win64.zip &&
  find x -exec touch -h -d '2026-12-09 13:00:00 UTC' {} + &&
  (cd x && zip -q -X -r ../Dreieck-9-win64.zip Dreieck-9-win64) && rm -rf x)
got=$("$compare" "$run/a" "$run/later")
expect_eq "an entry's time: exit code" 1 $?
expect_eq "an entry's time: the first file and byte" \
  "compare-release: first difference: Dreieck-9-win64.zip at byte 12 (offset 0xb): 0x60 against 0x68" \
  "$(sed -n 1p <<<"$got")"
case $(sed -n 2p <<<"$got") in
  "  in Dreieck-9-win64.zip: the members are alike; the archive's records differ: <"*"12:00:00 | >"*"13:00:00")
    pass "an entry's time: the records named" ;;
  *) fail "an entry's time: the records not named: $(sed -n 2p <<<"$got")" ;;
esac

# A source file changed inside the .tar.gz: the archive, the tar inside it, the member.
cp -a "$run/a" "$run/source"
mkdir -p "$run/tree/dreieck-9"
printf 'int main() { return 1; }\n' >"$run/tree/dreieck-9/main.cpp"
tar -C "$run/tree" --sort=name --owner=0 --group=0 --numeric-owner --mtime='2026-12-09 12:00:00 UTC' -cf - dreieck-9 |
  gzip -9 -n >"$run/source/dreieck-9.tar.gz"
got=$("$compare" "$run/a" "$run/source")
expect_eq "a source file: the member and its byte" \
  "  in dreieck-9.tar.gz: member dreieck-9/main.cpp, byte 13 (offset 0xc): 0x7d against 0x20" "$(sed -n 2p <<<"$got")"
# One a prefix of the other: which ends first.
printf 'int main() {}\n// more\n' >"$run/tree/dreieck-9/main.cpp"
tar -C "$run/tree" --sort=name --owner=0 --group=0 --numeric-owner --mtime='2026-12-09 12:00:00 UTC' -cf - dreieck-9 |
  gzip -9 -n >"$run/source/dreieck-9.tar.gz"
got=$("$compare" "$run/a" "$run/source")
expect_eq "a longer source file: where the shorter ends" \
  "  in dreieck-9.tar.gz: member dreieck-9/main.cpp, byte 15: the first ends there (14 against 22 bytes)" \
  "$(sed -n 2p <<<"$got")"

# A file in one folder only, and wrong usage.
cp -a "$run/a" "$run/more"
echo extra >"$run/more/notes.txt"
got=$("$compare" "$run/a" "$run/more")
expect_eq "a file in one folder only: exit code" 1 $?
expect_eq "a file in one folder only: named" "compare-release: first difference: notes.txt: only in $run/more
compare-release: 1 of 4 files differ:
compare-release:   notes.txt: only in $run/more" "$got"
# arguments | what it says (exit code 2)
usage="usage: tools/compare-release.sh DIR-A DIR-B (two folders)"
cases=("$run/a|$usage" "$run/a $run/none|$usage" "$run/a $run/b $run/more|$usage" "|$usage")
for row in "${cases[@]}"; do
  IFS='|' read -r arguments want <<<"$row"
  # shellcheck disable=SC2086  # the words of the case
  got=$("$compare" $arguments 2>&1)
  expect_eq "compare-release.sh [${arguments//$run\//}]: exit code and line" "2 $want" "$? $got"
done

# ---- tools/release.sh's refusals, before any build, in a clone of the project's files
log "release.sh: a dirty tree (exit code 3), a version without notes and notes refused (exit code 4), one line each"
repo=$run/repo
mkdir -p "$repo/tools/lib"
cp "$top/tools/release.sh" "$top/tools/news.sh" "$repo/tools/" && cp "$top/tools/lib/steps.sh" "$repo/tools/lib/"
printf 'cmake_minimum_required(VERSION 3.20)\nproject(Dreieck VERSION 2.0.1 LANGUAGES CXX)\n' >"$repo/CMakeLists.txt"
cp "$run/NEWS.md" "$repo/NEWS.md"
if ! { git -C "$repo" init -q && git -C "$repo" add -A &&
        git -C "$repo" -c user.name=t -c user.email=t@localhost commit -qm one; }; then
  fail "making the test repository"
fi
echo change >>"$repo/NEWS.md"
got=$("$repo/tools/release.sh" 2>&1)
expect_eq "a changed file: exit code" 3 $?
expect_eq "a changed file: the line" \
  "release: the work tree is not clean (1 changed or untracked, first: NEWS.md); commit or stash first" "$got"
git -C "$repo" checkout -q NEWS.md
touch "$repo/stray.txt"
got=$("$repo/tools/release.sh" 2>&1)
expect_eq "an untracked file: exit code" 3 $?
expect_eq "an untracked file: named" \
  "release: the work tree is not clean (1 changed or untracked, first: stray.txt); commit or stash first" "$got"
rm "$repo/stray.txt"
sed -i 's/VERSION 2.0.1/VERSION 3.0/' "$repo/CMakeLists.txt"
git -C "$repo" -c user.name=t -c user.email=t@localhost commit -qam three
got=$("$repo/tools/release.sh" 2>&1)
expect_eq "a version without notes: exit code" 4 $?
expect_eq "a version without notes: the line" \
  "release: NEWS.md has no entry for version 3.0: add a section '## 3.0 (YYYY-MM-DD)' saying what it brings" "$got"
printf '## 3.0 (2027-02-30)\n\nSaid.\n' >>"$repo/NEWS.md"
git -C "$repo" -c user.name=t -c user.email=t@localhost commit -qam four
got=$("$repo/tools/release.sh" 2>&1)
expect_eq "a day that does not exist: exit code" 4 $?
expect_eq "a day that does not exist: the line" \
  "release: NEWS.md line $(grep -n '^## 3.0' "$repo/NEWS.md" | cut -d: -f1): the heading \"## 3.0 (2027-02-30)\" names a day that does not exist" \
  "$got"
"$repo/tools/release.sh" --bogus >/dev/null 2>&1
expect_eq "an unknown argument: exit code 2" 2 $?
expect_eq "the refusals wrote no dist/" "" "$(ls -d "$repo/dist" 2>/dev/null)"

# ---- tools/release.sh whole, the builders' work done by stand-ins, in seconds
log "release.sh with stand-ins for the builders: the artifacts, the ZIPs normalised, the verification of docs/release.md"
stubs=$run/stubs
mkdir -p "$stubs"
# cmake --preset P -B TREE ... (in the sources): the tree, its preset and version;
# cmake --build TREE: its program.
cat >"$stubs/cmake" <<'STUB'
#!/bin/bash
case $1 in
  --preset) mkdir -p "$4" && echo "$2 $(sed -nE 's/^project\([A-Za-z]+ VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)" >"$4/stub" ;;
  --build) read -r preset version <"$2/stub" && printf 'MZ the %s program of %s\n' "$preset" "$version" >"$2/Dreieck.scr" ;;
  *) exit 1 ;;
esac
STUB
# cpack -G DEB|ZIP -B DIR (in a tree): a package as CPack makes one: a .deb of files
# at SOURCE_DATE_EPOCH; a ZIP's entries at the time the files were made (long ago), in
# the order of the install rules, with their owners.
cat >"$stubs/cpack" <<'STUB'
#!/bin/bash
set -e
read -r preset version <stub
out=$4
mkdir -p "$out/stage"
case $2 in
  DEB)
    mkdir -p "$out/stage/DEBIAN" "$out/stage/usr/bin"
    printf 'Package: dreieck\nVersion: %s\nArchitecture: amd64\nMaintainer: t <t@localhost>\nDescription: d\n' \
      "$version" >"$out/stage/DEBIAN/control"
    cp Dreieck.scr "$out/stage/usr/bin/dreieck"
    find "$out/stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    dpkg-deb -Zgzip --root-owner-group --build "$out/stage" "$out/dreieck_${version}_amd64.deb" >/dev/null ;;
  ZIP)
    name=Dreieck-$version-$([ "$preset" = web ] && echo web || echo win64)
    mkdir -p "$out/stage/$name"
    echo "the licence" >"$out/stage/$name/LICENSE.txt"
    if [ "$preset" = web ]; then echo "<!doctype html>" >"$out/stage/$name/index.html"
    else cp Dreieck.scr "$out/stage/$name/"; fi
    touch -d '2001-02-03 04:05:06' "$out/stage/$name" "$out/stage/$name"/*
    (cd "$out/stage" && zip -q "../$name.zip" "$name/LICENSE.txt" "$name"/[DIi]*) ;;
esac
STUB
for tool in lintian ctest emcc x86_64-w64-mingw32-g++-posix; do printf '#!/bin/bash\nexit 0\n' >"$stubs/$tool"; done
chmod +x "$stubs/cmake" "$stubs/cpack" "$stubs/lintian" "$stubs/ctest" "$stubs/emcc" "$stubs/x86_64-w64-mingw32-g++-posix"
# The project: the release's tools, its notes, and stand-ins for the tests of the
# artifacts (they pass), in a repository whose folder is named as the published one.
origin=$run/origin/dreieck.git
mkdir -p "$origin/tools" "$origin/tests/linux" "$origin/tests/e2e" "$origin/tests/web"
cp "$top/tools/release.sh" "$top/tools/news.sh" "$top/tools/compare-release.sh" "$top/tools/install-deps.sh" \
  "$origin/tools/"
mkdir -p "$origin/tools/lib" && cp "$top/tools/lib/steps.sh" "$origin/tools/lib/"
printf 'cmake_minimum_required(VERSION 3.20)\nproject(Dreieck VERSION 2.1 LANGUAGES CXX)\n' >"$origin/CMakeLists.txt"
cp "$run/NEWS.md" "$origin/NEWS.md"
printf '/build/\n/dist/\n' >"$origin/.gitignore"
printf '#!/bin/bash\necho ok: a stand-in\n' | tee "$origin/tests/linux/package.sh" >"$origin/tests/e2e/product.sh"
echo 'print("ok: a stand-in")' >"$origin/tests/web/page_test.py"
mkdir -p "$run/deps" && echo "the libraries" >"$run/deps/stamp"
if ! { git -C "$origin" init -q && git -C "$origin" add -A &&
        GIT_COMMITTER_DATE="2027-03-04T05:06:07Z" git -C "$origin" -c user.name=t -c user.email=t@localhost commit -qm one; }; then
  fail "making the project's repository"
fi
export PATH="$stubs:$PATH" DREIECK_WEB_DEPS=$run/deps
(cd "$origin" && umask 077 && TZ=Pacific/Kiritimati tools/release.sh --skip-tests) >"$run/stand-in.log" 2>&1
expect_eq "release.sh --skip-tests: exit code" 0 "$?"
expect_eq "release.sh --skip-tests: dist/" \
  "Dreieck-2.1-web.zip Dreieck-2.1-win64.zip SHA256SUMS dreieck-2.1.tar.gz dreieck_2.1_amd64.deb" \
  "$(cd "$origin/dist" 2>/dev/null && echo *)"
# Every ZIP entry at the commit's time (2027-03-04 05:06:07 UTC),
# in name order, 644.
for zip in win64 web; do
  expect_eq "the $zip ZIP: its entries normalised" \
    "$(if [ $zip = web ]; then echo "Dreieck-2.1-web/LICENSE.txt Dreieck-2.1-web/index.html"
       else echo "Dreieck-2.1-win64/Dreieck.scr Dreieck-2.1-win64/LICENSE.txt"; fi |
       tr ' ' '\n' | sed "s/^/-rw-r--r-- 20270304.050607 /")" \
    "$(zipinfo -T "$origin/dist/Dreieck-2.1-$zip.zip" 2>&1 | awk 'NF == 8 { print $1, $7, $8 }')"
done
expect_eq "SHA256SUMS: the four artifacts" "" "$(cd "$origin/dist" && sha256sum --quiet -c SHA256SUMS 2>&1)"
expect_eq "SHA256SUMS: four lines" 4 "$(wc -l <"$origin/dist/SHA256SUMS")"
expect_eq "the source archive: the commit's files under dreieck-2.1/" \
  "$(git -C "$origin" ls-files | sed 's|^|dreieck-2.1/|' | sort)" \
  "$(tar -tzf "$origin/dist/dreieck-2.1.tar.gz" | grep -v '/$' | sort)"
mv "$origin/dist" "$run/published"
verify_release "$top/docs/release.md" "$run/published" "$origin" "$(git -C "$origin" rev-parse HEAD)"

checks_end
