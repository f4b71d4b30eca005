#!/usr/bin/env bash
# Builds the libraries the browser build draws with, pixman, FreeType and Cairo, as
# static WebAssembly libraries with Debian's emscripten, from Debian's own sources of
# exactly the versions the Linux build links (the source packages of libpixman-1-0,
# libfreetype6 and libcairo2 as installed), so that the page draws with the same code.
#
#   tools/build-wasm-deps.sh [--svg] PREFIX
#
# installs them into PREFIX/include and PREFIX/lib and writes PREFIX/stamp; a later run
# whose stamp names the same versions, options and script does nothing. The sources
# come from the deb-src entries tools/install-deps.sh adds (apt-get source, Debian's
# mirror only): the upstream tarballs with the Debian patches that change the
# libraries' own code (src/, include/); those for their build systems, tests and
# documentation are left out, as they would need the autotools to run again.
#
# Cairo is built with FreeType and without fontconfig (the page loads its font file
# itself), without PNG, PDF, PS, SVG and X. --svg adds the SVG surface, which needs
# libpng and zlib (also from Debian's sources).
# Our own patches to their code are in tools/patches (Cairo: its spline callbacks, which
# WebAssembly calls with their exact type).
#
# Each step writes its output to PREFIX/logs/STEP.log and one line to the console; a
# failing step shows the end of its log and exits with 1. Wrong usage exits with 2.
# How long it takes: docs/browser.md (The libraries, from Debian's sources).
set -euo pipefail

usage() { echo "usage: tools/build-wasm-deps.sh [--svg] PREFIX" >&2; exit 2; }
svg=no
prefix=
for arg in "$@"; do
  case $arg in
    --svg) svg=yes ;;
    -*) echo "build-wasm-deps: unknown option '$arg'" >&2; usage ;;
    *) [ -z "$prefix" ] || usage; prefix=$arg ;;
  esac
done
[ -n "$prefix" ] || usage
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
patches=$(dirname "$script")/patches  # our own patches to the libraries' code
# shellcheck source=lib/steps.sh
source "$(dirname "$script")/lib/steps.sh"
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

# Debian's emscripten runs on the machine's node, which must find Debian's JavaScript
# modules (acorn and friends) there.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
for tool in emcc emconfigure emmake emcmake apt-get dpkg-query; do
  command -v "$tool" >/dev/null || { echo "build-wasm-deps: $tool is missing (tools/install-deps.sh installs it)" >&2; exit 1; }
done

# The source package and version behind each installed library.
libraries=(libpixman-1-0 libfreetype6 libcairo2)
[ "$svg" = yes ] && libraries=(zlib1g libpng16-16 "${libraries[@]}")
declare -A source_version
sources=()
for library in "${libraries[@]}"; do
  line=$(dpkg-query -W -f='${source:Package} ${source:Version}' "$library" 2>/dev/null) ||
    { echo "build-wasm-deps: $library is not installed (tools/install-deps.sh installs it)" >&2; exit 1; }
  source_version[${line% *}]=${line#* }
  sources+=("${line% *}")
done

stamp_text="$(for s in "${sources[@]}"; do echo "$s ${source_version[$s]}"; done)
svg $svg
script $(sha256sum "$script" | cut -d' ' -f1)
patches $(cat "$patches"/*.patch | sha256sum | cut -d' ' -f1)"
if [ -f "$prefix/stamp" ] && [ "$(cat "$prefix/stamp")" = "$stamp_text" ]; then
  touch "$prefix/stamp"  # newer than this script for make
  echo "build-wasm-deps: up to date in $prefix ($(tr '\n' ' ' <"$prefix/stamp" | cut -c1-90)...)"
  exit 0
fi

rm -rf "$prefix/include" "$prefix/lib" "$prefix/work" "$prefix/logs" "$prefix/stamp"
mkdir -p "$prefix/downloads" "$prefix/work" "$prefix/logs"
started=$SECONDS

# step NAME COMMAND...: runs COMMAND with its output in logs/NAME.log. Called as a
# command of its own (not in an if or && list), so that set -e holds inside.
step() {
  local name=$1
  shift
  logged_step build-wasm-deps "$prefix/logs/$name.log" "$name" "$@"
}

# fetch SOURCE: the upstream tarball and Debian tarball of the installed version from
# the deb-src entries, or, when the mirror no longer has that revision, of the newest
# revision it has of the same upstream version. The mirror lacks some files apt-get
# asks for (pixman's .diff.gz), so what counts is the upstream tarball being there.
upstream() { local v=${1#*:}; echo "${v%-*}"; }
orig_tarball() { ls "$prefix/downloads/${1}_$(upstream "${source_version[$1]}").orig.tar."* 2>/dev/null | grep -v '\.asc$' | head -1 || true; }
fetch() {
  local src=$1 version=${source_version[$1]}
  cd "$prefix/downloads"
  if [ -z "$(orig_tarball "$src")" ]; then
    apt-get source --download-only "$src=$version" || true
  fi
  if [ -z "$(orig_tarball "$src")" ]; then
    echo "$src $version is not on the mirror; taking its newest revision of $(upstream "$version")"
    apt-get source --download-only "$src" || true
  fi
  if [ -z "$(orig_tarball "$src")" ]; then
    echo "no upstream tarball of $src $(upstream "$version"): are there deb-src entries for main (tools/install-deps.sh adds them) and has apt-get update run?"
    return 1
  fi
  orig_tarball "$src"
}

# unpack SOURCE: the upstream tree in work/SOURCE with the Debian patches (of the
# installed revision, or else the newest one fetched) that touch only the library's
# own code and the tests'.
unpack() {
  local src=$1 version=${source_version[$1]}
  local tree="$prefix/work/$src" debian
  mkdir -p "$tree"
  tar xf "$(orig_tarball "$src")" -C "$tree" --strip-components=1
  debian=$(ls "$prefix/downloads/${src}_${version#*:}.debian.tar."* 2>/dev/null | head -1 || true)
  [ -n "$debian" ] || debian=$(ls "$prefix/downloads/${src}_$(upstream "$version")-"*.debian.tar.* 2>/dev/null | sort -V | tail -1 || true)
  [ -n "$debian" ] || { echo "no Debian patches for $src $version"; return 0; }
  echo "Debian patches from $(basename "$debian")"
  tar xf "$debian" -C "$tree"
  local patch files
  [ -f "$tree/debian/patches/series" ] || return 0
  while read -r patch _; do
    [ -n "$patch" ] && [ "${patch:0:1}" != "#" ] || continue
    files=$(sed -n 's,^+++ [^/]*/\([^[:space:]]*\).*,\1,p' "$tree/debian/patches/$patch")
    if grep -qvE '^(src/|include/|test/|modules\.cfg$)' <<<"$files"; then
      echo "left out $patch: $(tr '\n' ' ' <<<"$files")"
    elif grep -qE '^(src/|include/|modules\.cfg$)' <<<"$files"; then
      patch -d "$tree" -p1 --forward <"$tree/debian/patches/$patch"
      echo "applied $patch"
    else
      echo "left out $patch (tests only)"
    fi
  done <"$tree/debian/patches/series"
}

# The flags every library is compiled with: optimised, and every floating-point step a
# single operation as in the rest of the program.
export CFLAGS="-O2 -ffp-contract=off -fno-fast-math"
export CXXFLAGS="$CFLAGS"

build_zlib() {
  cd "$prefix/work/zlib"
  # Its CMakeLists.txt wants files Debian's tarball leaves out; its configure does not.
  emconfigure ./configure --static --prefix="$prefix"
  emmake make -j"$jobs" libz.a
  emmake make install
}

build_libpng() {
  cd "$prefix/work/libpng1.6"
  emcmake cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a" -DSKIP_INSTALL_EXECUTABLES=ON
  cmake --build build -j"$jobs" --target png_static
  cmake --install build
}

build_pixman() {
  cd "$prefix/work/pixman"
  # --host: configure would otherwise try to run what emcc makes.
  emconfigure ./configure --host=wasm32-unknown-emscripten --prefix="$prefix" --disable-shared --enable-static \
    --disable-openmp --disable-mmx --disable-sse2 --disable-ssse3 --disable-vmx --disable-arm-simd \
    --disable-arm-neon --disable-arm-a64-neon --disable-arm-iwmmxt --disable-mips-dspr2 --disable-gtk \
    --disable-libpng --disable-timers
  emmake make -C pixman -j"$jobs" install
  emmake make install-pkgconfigDATA
}

build_freetype() {
  cd "$prefix/work/freetype"
  # FreeType's rasterizer flattens curves by DDA on x86-64 and AArch64 and by halving
  # them elsewhere, which lights slightly different pixels in glyphs above some 15
  # pixels (the labels of a picture at --scale 2). The page draws what the Linux build
  # on x86-64 draws, so wasm takes the DDA too: its plain C form, which computes what
  # the SSE2 form on x86-64 computes.
  sed -i 's/^#if FT_SSE2                || \\$/#if FT_SSE2 || defined( __wasm__ ) || \\/' src/smooth/ftgrays.c
  grep -q '^#if FT_SSE2 || defined( __wasm__ ) || ' src/smooth/ftgrays.c ||
    { echo "src/smooth/ftgrays.c has no BEZIER_USE_DDA condition to extend"; return 1; }
  # Without zlib FreeType compiles in its own copy, whose names clash with zlib's.
  local zlib=(-DFT_DISABLE_ZLIB=ON)
  [ "$svg" = no ] || zlib=(-DFT_REQUIRE_ZLIB=ON -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a")
  emcmake cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "${zlib[@]}" -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  cmake --build build -j"$jobs"
  cmake --install build
}

configure_cairo() {
  cd "$prefix/work/cairo"
  patch -p1 --forward <"$patches/cairo-spline-callbacks.patch"
  # Its config.sub predates wasm32-unknown-emscripten; pixman's knows it.
  cp "$prefix/work/pixman/config.sub" build/config.sub
  local png_options=(--disable-png --disable-svg)
  [ "$svg" = no ] || png_options=(--enable-png --enable-svg)
  # The float word order cannot be probed by running a program: wasm is little-endian.
  emconfigure ./configure --host=wasm32-unknown-emscripten --prefix="$prefix" --disable-shared --enable-static \
    --enable-ft --disable-fc --disable-xlib --disable-xcb --without-x "${png_options[@]}" --disable-ps \
    --disable-pdf --disable-script --disable-interpreter --disable-trace --disable-gobject \
    --disable-valgrind --disable-symbol-lookup --disable-full-testing \
    ax_cv_c_float_words_bigendian=no
  # What the configure found in the libraries decides which of Cairo's code runs: the
  # same as in Debian's build, which has all of them.
  local feature
  for feature in HAS_PIXMAN_GLYPHS CAIRO_HAS_FT_FONT HAVE_FT_DONE_MM_VAR HAVE_FT_LIBRARY_SETLCDFILTER \
                 HAVE_FT_GLYPHSLOT_EMBOLDEN HAVE_FT_GLYPHSLOT_OBLIQUE HAVE_FT_LOAD_SFNT_TABLE; do
    grep -q "^#define $feature 1" config.h src/cairo-features.h ||
      { echo "configure found no $feature"; return 1; }
  done
}

build_cairo() {
  cd "$prefix/work/cairo"
  emmake make -C src -j"$jobs" install
}

for src in "${sources[@]}"; do
  step "fetch-$src" fetch "$src"
  step "unpack-$src" unpack "$src"
done
# emcc checks its own installation on every call, half a second each time with
# Debian's frozen cache; checked once here, the configure scripts' hundreds of calls
# skip it.
step check-emcc emcc --check
export EMCC_SKIP_SANITY_CHECK=1
# emconfigure and emcmake point pkg-config at emscripten's own sysroot and at this.
export EM_PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
if [ "$svg" = yes ]; then
  step build-zlib build_zlib
  step build-libpng build_libpng
fi
# pixman and FreeType build side by side; Cairo's configure, the longest step, looks
# for both.
step build-pixman build_pixman &
pixman=$!
trap 'wait "$pixman" 2>/dev/null' EXIT
step build-freetype build_freetype
wait "$pixman"
step configure-cairo configure_cairo
step build-cairo build_cairo

# The trees are not needed any more; the downloads stay for a rebuild.
rm -rf "$prefix/work"
echo "$stamp_text" >"$prefix/stamp.tmp"
mv "$prefix/stamp.tmp" "$prefix/stamp"
echo "build-wasm-deps: built into $prefix in $(duration $((SECONDS - started)))"
