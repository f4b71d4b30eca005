#!/usr/bin/env bash
# Installs what building and testing Dreieck needs on Debian 12 (run as root or
# with sudo available).
set -euo pipefail
packages=(
  cmake make g++ clang libclang-rt-14-dev libgtest-dev valgrind
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool imagemagick faketime x11-utils
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y "${packages[@]}"
