# shellcheck shell=bash
# Virtual displays of our own and the windows on them. Sourced by the tools and the
# tests.
# shellcheck source=/dev/null  # the scripts name process.sh themselves for shellcheck
source "$(dirname "${BASH_SOURCE[0]}")/process.sh"

# The size of the first X screen of a display start_xvfb starts; a script may choose
# another before it starts one.
display_width=1024
display_height=768
xvfb_pid=""  # the Xvfb started last, while it runs

# xvfb_start DIR SCREEN...: an Xvfb of our own, one X screen per SCREEN
# ("1024x768x24"; :N.0, :N.1, ...). Xvfb picks a free display number and tells it
# through -displayfd, so that displays started at once never collide. The display
# (":N") in $xvfb_display, the pid in $xvfb_pid (also when it failed: the caller ends
# it); DIR/display and DIR/xvfb.log. False when no display came within 10 s.
xvfb_start() {
  local dir=$1 xvfb_args=() screen
  shift
  for screen in "$@"; do xvfb_args+=(-screen "$((${#xvfb_args[@]} / 3))" "$screen"); done
  mkdir -p "$dir"
  rm -f "$dir/display"
  xvfb_display=""
  Xvfb -displayfd 9 "${xvfb_args[@]}" -nolisten tcp -noreset 9>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_until 10 "$xvfb_pid" test -s "$dir/display" || return 1
  xvfb_display=":$(head -1 "$dir/display")"
}

# use_xvfb DIR SCREEN...: an Xvfb of our own (xvfb_start) that becomes $DISPLAY, with
# a line in the log; when it does not start, its own words. A Wayland compositor the
# environment names is forgotten, so that dreieck's windows come to this display.
use_xvfb() {
  if xvfb_start "$@"; then
    export DISPLAY=$xvfb_display
    unset WAYLAND_DISPLAY DREIECK_DISPLAY
    log "Xvfb $xvfb_pid on $DISPLAY"
    return 0
  fi
  echo "Xvfb did not start:"
  cat "$1/xvfb.log"
  return 1
}

# start_xvfb DIR [SCREEN...]: our own display as $DISPLAY (use_xvfb): its X screen 0
# is display_width x display_height at 24 bits, each SCREEN ("800x600x24") adds one
# more X screen (:N.1, :N.2, ...).
start_xvfb() {
  local dir=$1
  shift
  use_xvfb "$dir" "${display_width}x${display_height}x24" "$@"
}
# stop_xvfb: ends the Xvfb started last, if it still runs (stop_pid).
stop_xvfb() {
  [ -z "$xvfb_pid" ] || stop_pid "$xvfb_pid"
  xvfb_pid=""
}

# x_windows_named TITLE: the X windows of that title on $DISPLAY, "WIDTHxHEIGHT+X+Y"
# one a line.
x_windows_named() {
  xwininfo -root -tree 2>/dev/null |
    awk -v t="\"$1\":" '$2 == t { for (i = 3; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) { print $i; break } }'
}
# wait_window TITLE SECONDS: the window's geometry once it is on screen.
wait_window() {
  local geometry
  wait_until "$2" "" window_named "$1" || return 1
  echo "$geometry"
}
window_named() { geometry=$(x_windows_named "$1" | head -1) && [ -n "$geometry" ]; }  # for wait_window
