#!/usr/bin/env bash
# Builds a release of Dreieck, every artifact from the commit checked out, into dist/:
#
#   Dreieck-VERSION-win64.zip   the Windows program with its README and licence
#                               (cpack -G ZIP of the windows preset)
#   dreieck_VERSION_ARCH.deb    the Debian package (cpack -G DEB of the release preset)
#   Dreieck-VERSION-web.zip     the page, as the web build's install rules make it
#                               (cpack -G ZIP of the web preset)
#   dreieck-VERSION.tar.gz      the sources of the commit (git archive)
#   SHA256SUMS                  the checksums of the four
#
#   tools/release.sh [--skip-tests]
#
# The version is the one of the project() line of CMakeLists.txt, and NEWS.md must have
# an entry for it. The work tree must be clean: the builds are made of the commit
# itself (exported into build/dist/src), not of what is lying around. Two runs on the
# same commit write the same bytes, wherever the checkout is and whenever they run
# (docs/release.md: how, and how to verify a release): every time stamp is the commit's
# (SOURCE_DATE_EPOCH; one in the caller's environment is not taken), TZ, the locale and
# the umask are fixed here, the compilers write no build folder (cmake/reproducible.cmake)
# and the ZIPs are normalised by strip-nondeterminism.
#
# After the builds it checks the artifacts: lintian on the .deb (an error stops the
# release), and unless --skip-tests the package's contents (tests/linux/package.sh),
# Dreieck.scr's headers and resources (tests/e2e/product.sh) and one cycle of it under
# Wine (e2e-cycle), and one cycle of the page from the web ZIP in headless Chromium,
# every tick against the .deb's own dreieck (tests/web/page_test.py cycle). It says
# which it skipped and why.
#
# Every step logs to build/dist/logs/STEP.log and puts one line on the console; a failing
# step shows the end of its log. dist/ is replaced only when everything succeeded.
#
# Env: DREIECK_WEB_DEPS: the WebAssembly pixman, FreeType and Cairo (default: this
# checkout's build/web/deps, built there by tools/build-wasm-deps.sh the first time,
# about 10 minutes). JOBS: parallel compile jobs (default: the number of cores).
#
# Exit codes: 0 released; 1 a build, a check or a test failed, or a tool is missing;
# 2 wrong usage; 3 the work tree is not clean; 4 NEWS.md has no entry for the version.
set -euo pipefail

usage() { echo "usage: tools/release.sh [--skip-tests]" >&2; exit 2; }
run_tests=yes
for arg in "$@"; do
  case $arg in
    --skip-tests) run_tests=no ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "release: unknown argument '$arg'" >&2; usage ;;
  esac
done

started=$SECONDS
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# What the output may depend on is fixed here; everything else comes from the commit.
export TZ=UTC LC_ALL=C.UTF-8 LANGUAGE=
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS SOURCE_DATE_EPOCH
umask 022

command -v git >/dev/null || { echo "release: git is missing (tools/install-deps.sh installs it)" >&2; exit 1; }
git rev-parse --is-inside-work-tree >/dev/null 2>&1 ||
  { echo "release: $root is no git work tree: a release is built from a commit" >&2; exit 1; }

# A clean tree: nothing changed, staged or untracked (build/ and dist/ are ignored).
changes=$(git status --porcelain=v1 --untracked-files=all)
if [ -n "$changes" ]; then
  echo "release: the work tree is not clean ($(wc -l <<<"$changes") changed or untracked, first: $(head -1 <<<"$changes" | cut -c4-)); commit or stash first" >&2
  exit 3
fi

# The version, from the one place it is named.
version=$(sed -nE 's/^project\([A-Za-z]+[[:space:]]+VERSION[[:space:]]+([0-9]+(\.[0-9]+)*)[[:space:])].*/\1/p' CMakeLists.txt)
[ "$(wc -w <<<"$version")" -eq 1 ] ||
  { echo "release: CMakeLists.txt has no project() line naming one VERSION" >&2; exit 1; }
if ! news_error=$(tools/news.sh entry NEWS.md "$version" 2>&1 >/dev/null); then
  echo "release: ${news_error#news: }" >&2
  exit 4
fi

for tool in cmake cpack gzip sha256sum tar unzip dpkg-deb dpkg-buildflags lintian strip-nondeterminism emcc \
            x86_64-w64-mingw32-g++-posix; do
  command -v "$tool" >/dev/null ||
    { echo "release: $tool is missing (tools/install-deps.sh installs it)" >&2; exit 1; }
done

commit=$(git rev-parse HEAD)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
deps=${DREIECK_WEB_DEPS:-$root/build/web/deps}
mkdir -p "$deps"
deps=$(cd "$deps" && pwd)
work=$root/build/dist
echo "release: Dreieck $version from commit ${commit:0:12} ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'))"

# shellcheck source=SCRIPTDIR/lib/steps.sh
source "$root/tools/lib/steps.sh"
# step NAME WHAT COMMAND...: COMMAND (set -e holds inside) with its output in
# build/dist/logs/NAME.log, one line on the console; on failure the end of the log, and
# the release stops with 1 (logged_step).
step() {
  local name=$1 what=$2
  shift 2
  logged_step release "build/dist/logs/$name.log" "$what" "$@"
}
skipped() { echo "release: skipped: $*"; }

rm -rf "$work"
mkdir -p "$work/logs" "$work/src" "$work/packages" "$work/out" "$work/unpacked"

# What the bytes depend on besides the commit: the toolchain, for whoever rebuilds.
toolchain() {
  echo "commit $commit"
  echo "SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH"
  dpkg-query -W -f='${Package} ${Version}\n' g++-12 gcc-12 binutils libstdc++-12-dev libc6-dev \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev emscripten clang-14 lld-14 \
    binaryen cmake dpkg-dev libcairo2-dev libx11-dev libxext-dev libxrandr-dev fonts-liberation \
    strip-nondeterminism zip gzip tar git lintian 2>/dev/null | sort
  echo "node $(node --version 2>/dev/null)"
  echo "python3 for emcc: $(env python3 --version 2>&1) ($(command -v python3))"
  sed 's/^/WebAssembly libraries: /' "$deps/stamp"
}

# The sources: exactly the commit.
git archive --format=tar "$commit" | tar -x -C "$work/src"
src=$work/src

# build PRESET TREE [CMAKE-ARGS...]: the preset's configuration in build/dist/TREE,
# every target.
build() {
  local preset=$1 tree=$work/$2
  shift 2
  (cd "$src" && cmake --preset "$preset" -B "$tree" "$@")
  cmake --build "$tree" -j"$jobs"
}
# The Debian package is built as Debian builds its packages: with the hardening flags of
# dpkg-buildflags (without -g and -O2: the release preset's -O3 is what is tested; and
# without its own file prefix map, which cmake/reproducible.cmake gives).
deb_flags() {
  DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath" \
    DEB_CXXFLAGS_MAINT_STRIP="-g -O2" dpkg-buildflags --get "$1"
}
build_linux() {
  export CXXFLAGS LDFLAGS
  CXXFLAGS="$(deb_flags CPPFLAGS) $(deb_flags CXXFLAGS)"
  LDFLAGS=$(deb_flags LDFLAGS)
  build release linux -DDREIECK_TESTS=OFF
}
step linux-build "built the Linux program (release preset, build/dist/linux)" build_linux
step windows-build "built Dreieck.scr (windows preset, build/dist/windows)" \
  build windows windows -DDREIECK_HOST_BUILD=
[ -f "$deps/stamp" ] || echo "release: the WebAssembly libraries are built first, into $deps (about 10 minutes, once)"
step web-build "built the page (web preset, build/dist/web, its libraries from $deps)" \
  build web web -DDREIECK_WEB_DEPS="$deps" -DDREIECK_HOST_BUILD=

toolchain >"$work/logs/toolchain.txt"

# package TREE GENERATOR: cpack of one build tree into packages/TREE, the file it made
# copied to the output.
package() {
  local tree=$1 generator=$2 made
  (cd "$work/$tree" && cpack -G "$generator" -B "$work/packages/$tree")
  made=$(find "$work/packages/$tree" -maxdepth 1 -type f -name "*.${generator,,}")
  if [ -z "$made" ] || [ "$(wc -l <<<"$made")" -ne 1 ]; then
    echo "cpack -G $generator made not one file but: ${made:-none}"
    return 1
  fi
  if [ "$generator" = ZIP ]; then
    # libarchive writes each entry's time in the local time zone, the owner's uid and
    # gid, and the files in the order of the install rules: all that goes.
    strip-nondeterminism --type zip --timestamp "$SOURCE_DATE_EPOCH" "$made"
  fi
  cp "$made" "$work/out/"
}
step linux-package "made the Debian package" package linux DEB
step windows-package "made the Windows ZIP" package windows ZIP
step web-package "made the web ZIP" package web ZIP
source_archive() {
  git archive --format=tar --prefix="dreieck-$version/" "$commit" | gzip -9 -n >"$work/out/dreieck-$version.tar.gz"
}
step source-archive "made the source archive" source_archive

deb=$(find "$work/out" -name '*.deb')
win_zip=$(find "$work/out" -name '*-win64.zip')
web_zip=$(find "$work/out" -name '*-web.zip')

# lintian: an error stops the release; what it warns of is in the log and on the console
# (docs/release.md says why each that remains is there).
run_lintian() {
  lintian --fail-on error --display-info "$deb"
}
step lintian "lintian found no error in $(basename "$deb")" run_lintian
lintian_tags=$(grep -E '^[EWIP]: ' "$work/logs/lintian.log" | sed 's/^/release:   lintian /' || true)
[ -z "$lintian_tags" ] || echo "$lintian_tags"

if [ "$run_tests" = yes ]; then
  # The artifacts as a user gets them.
  dpkg-deb -x "$deb" "$work/unpacked/deb"
  unzip -q "$win_zip" -d "$work/unpacked/windows"
  unzip -q "$web_zip" -d "$work/unpacked/web"
  scr=$(find "$work/unpacked/windows" -name Dreieck.scr)
  index=$(find "$work/unpacked/web" -name index.html | head -1)
  [ -n "$scr" ] || { echo "release: the Windows ZIP holds no Dreieck.scr" >&2; exit 1; }
  [ -n "$index" ] || { echo "release: the web ZIP holds no index.html" >&2; exit 1; }
  site=$(dirname "$index")

  step test-package "tested the Debian package's contents (tests/linux/package.sh)" \
    env DREIECK_HOST_BUILD="$work/linux" bash "$src/tests/linux/package.sh"
  step test-scr "tested Dreieck.scr's headers and resources (tests/e2e/product.sh)" \
    bash "$src/tests/e2e/product.sh" "$scr"
  if command -v wine >/dev/null && command -v Xvfb >/dev/null; then
    # The ZIP's program in the windows tree's end-to-end test of a cycle.
    cmp -s "$scr" "$work/windows/Dreieck.scr" ||
      { echo "release: the ZIP's Dreieck.scr is not build/dist/windows/Dreieck.scr" >&2; exit 1; }
    step test-wine "tested one cycle of Dreieck.scr under Wine (e2e-cycle)" \
      ctest --test-dir "$work/windows" -R '^e2e-(prefix|cycle|prefix-cleanup)$' --output-on-failure
  else
    skipped "Dreieck.scr under Wine: wine or Xvfb is missing (tools/install-deps.sh installs them)"
  fi
  if [ -x /usr/bin/chromium ]; then
    step test-page "tested the web ZIP's page in Chromium, every tick against the package's dreieck" \
      /usr/bin/python3 "$src/tests/web/page_test.py" cycle --site "$site" \
      --host-build "$work/unpacked/deb/usr/bin" --out "$work/tests/page"
  else
    skipped "the page in Chromium: /usr/bin/chromium is missing (tools/install-deps.sh installs it)"
  fi
else
  skipped "the tests of the artifacts (--skip-tests): the package's contents, Dreieck.scr's headers" \
    "and a cycle under Wine, the page's cycle in Chromium"
fi

(cd "$work/out" && sha256sum -- * >SHA256SUMS)

# dist/ holds this release and nothing else, replaced only now that all of it is there.
rm -rf "$work/previous-dist"
[ ! -e "$root/dist" ] || mv "$root/dist" "$work/previous-dist"
mv "$work/out" "$root/dist"
rm -rf "$work/previous-dist"

echo "release: Dreieck $version in dist/ ($(duration $((SECONDS - started)))):"
(cd "$root/dist" && for f in *; do
  printf 'release: %10d bytes %7s  %s\n' "$(stat -c %s "$f")" "$(numfmt --to=iec --suffix=B "$(stat -c %s "$f")")" "$f"
done)
