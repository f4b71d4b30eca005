#!/usr/bin/env bash
# Installs what building and testing Dreieck needs on Debian 12 (run as root or
# with sudo available), and adds deb-src entries for Debian 12's main so that the
# browser build can take pixman, cairo and freetype from Debian's own sources
# (tools/build-wasm-deps.sh). Running it again changes nothing.
set -euo pipefail
packages=(
  # building: the host program and its tests, the Windows cross build
  cmake make g++ clang libclang-rt-14-dev pkg-config libgtest-dev libbenchmark-dev valgrind
  libcairo2-dev libx11-dev libxext-dev libxrandr-dev libxfixes-dev fonts-liberation fontconfig
  libwayland-dev wayland-protocols libxkbcommon-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # running and looking: virtual displays, Wine, screenshots, a frozen clock
  wine wine64 xvfb xdotool imagemagick faketime x11-utils x11-xserver-utils
  # the Linux program's tests: XScreenSaver, pictures, the option description, packages;
  # a Wayland compositor without a screen, its screenshots, keys and idle timer
  xscreensaver librsvg2-bin poppler-utils libxml2-utils dpkg-dev file man-db strace
  sway grim wtype wayland-utils swayidle adwaita-icon-theme weston
  # the icons made from res/dreieck.ico (Pillow, for tools/icons.py); the checks of
  # the desktop entries and the AppStream metainfo
  python3-pil desktop-file-utils appstream
  # the browser build: emscripten, headless Chromium driven through its DevTools
  # protocol (websocket-client)
  emscripten chromium python3-websocket
  # the release (tools/release.sh): Debian's checker of packages, the ZIPs made
  # reproducible, and the tools that unpack and compare them
  git lintian strip-nondeterminism zip unzip
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# The deb-src twins of the entries that serve main of Debian 12 (bookworm and its
# updates and security suites), on the same mirrors with the same keys, so that
# apt-get source finds the version of a library that is installed, whichever suite it
# came from. apt names each
# entry FILE:N: the Nth stanza of a deb822 .sources file, or line N of a .list file.
src_list=/etc/apt/sources.list.d/dreieck-deb-src
add_deb_src() {
  local targets entries entry file n stanzas="" lines=""
  targets=$(apt-get indextargets --format '$(TARGET_OF) $(RELEASE) $(COMPONENT) $(SOURCESENTRY)')
  # The entries of the suites of main that have no deb-src yet.
  entries=$(awk '$1 == "deb-src" && $3 == "main" { has[$2] = 1 }
                 $1 == "deb" && $3 == "main" && $2 ~ /^bookworm/ { entry[$2] = $4 }
                 END { for (r in entry) if (!has[r]) print entry[r] }' <<<"$targets" | sort -u)
  [ -n "$entries" ] || return 0
  for entry in $entries; do
    file=${entry%:*}
    n=${entry##*:}
    case $file in
      *.sources)
        # The Nth stanza (stanzas are parted by blank lines; comments do not count)
        # as deb-src of main.
        stanzas+=$(awk -v want="$n" '
          /^[[:space:]]*$/ { if (seen) { stanza++; seen = 0 }; next }
          /^#/ { next }
          { if (!seen) { seen = 1; index_ = stanza + 1 } }
          index_ == want && seen {
            if ($0 ~ /^Types:/) print "Types: deb-src"
            else if ($0 ~ /^Components:/) print "Components: main"
            else print
          }' "$file")$'\n\n'
        ;;
      *)
        # "deb [options] URI SUITE main ..." -> "deb-src [options] URI SUITE main"
        lines+=$(sed -n "${n}p" "$file" |
          sed -E 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+)[[:space:]]+([^[:space:]]+).*/deb-src \1\2 \3 main/')$'\n'
        ;;
    esac
  done
  if [ -n "$stanzas" ]; then
    printf '%s' "$stanzas" | $sudo tee -a "$src_list.sources" >/dev/null
  fi
  if [ -n "$lines" ]; then
    printf '%s' "$lines" | $sudo tee -a "$src_list.list" >/dev/null
  fi
  echo "install-deps: added deb-src entries for main: $(ls "$src_list".*)"
}

add_deb_src
$sudo apt-get update
$sudo apt-get install -y "${packages[@]}"
