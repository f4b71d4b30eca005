#!/usr/bin/env bash
# Installs what building and testing Dreieck needs on Debian 12 (run as root or
# with sudo available).
set -euo pipefail
packages=(
  # building: the host program and its tests, the Windows cross build
  cmake make g++ clang libclang-rt-14-dev pkg-config libgtest-dev libbenchmark-dev valgrind
  libcairo2-dev libx11-dev libxext-dev libxrandr-dev fonts-liberation fontconfig
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # running and looking: virtual displays, Wine, screenshots, a frozen clock
  wine wine64 xvfb xdotool imagemagick faketime x11-utils
  # the Linux program's tests: XScreenSaver, pictures, the option description, packages
  xscreensaver librsvg2-bin poppler-utils libxml2-utils dpkg-dev file man-db strace
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y "${packages[@]}"
