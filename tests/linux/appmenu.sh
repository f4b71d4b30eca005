#!/usr/bin/env bash
# What a Linux desktop sees of Dreieck: the icon theme's icons the build made (every PNG
# and the SVG against res/dreieck.ico, pixel for pixel), the screenshot the metainfo
# names (docs/dreieck.png, the program's own picture), and the X windows of the
# program on a display of its own: its window, full screen and the explorer, each
# found by `xdotool search --pid`, with its process, machine and class, and the icon
# as _NET_WM_ICON at 16, 32 and 48 pixels, again the icon's pixels.
#
# Env: DREIECK_BIN (default build/host/dreieck), DREIECK_ICON_THEME (the build's
# icons/hicolor; default beside DREIECK_BIN).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "$0")/lib.sh"
linux_begin appmenu xdotool xprop rsvg-convert identify compare
theme=${DREIECK_ICON_THEME:-$(dirname "$bin")/icons/hicolor}
python=/usr/bin/python3
[ -x "$python" ] || python=python3
icon=$top/res/dreieck.ico

log "the icon theme's icons"
files=()
for size in 16 22 24 32 48 64 128 256; do
  png=$theme/${size}x$size/apps/dreieck.png
  if [ -f "$png" ]; then
    expect_eq "${size}x$size/apps/dreieck.png is $size pixels" "$size $size" "$(identify -format '%w %h' "$png")"
    files+=("$png")
  else
    fail "no $png"
  fi
done
svg=$theme/scalable/apps/dreieck.svg
if [ -f "$svg" ]; then
  files+=("$svg")
  svg_bytes=$(wc -c <"$svg")
  if [ "$svg_bytes" -le 1024 ]; then pass "the SVG is small ($svg_bytes bytes)"; else fail "the SVG has $svg_bytes bytes"; fi
else
  fail "no $svg"
fi
if "$python" "$top/tests/icon_pixels.py" files "$icon" "${files[@]}" >"$run/icons.txt" 2>&1; then
  pass "every icon is res/dreieck.ico, pixel for pixel (${#files[@]} files)"
else
  fail "the icons differ from res/dreieck.ico:"$'\n'"$(grep -v '^ok:' "$run/icons.txt")"
fi

log "the metainfo's screenshot"
"$bin" --picture "$run/screenshot.png" --size 960x600 --time "2026-12-08 12:00:00"
expect_eq "docs/dreieck.png is dreieck's picture of 2026-12-08 12:00:00 at 960x600" 0 \
  "$(compare -metric AE "$top/docs/dreieck.png" "$run/screenshot.png" null: 2>&1)"

# window NAME ARGS...: dreieck ARGS on the display; its window's X properties as the
# desktop reads them.
window() {
  local name=$1 wids i
  shift
  start "$name" -- "$@"
  for ((i = 0; i < 50; i++)); do
    wids=$(xdotool search --pid "$dreieck_pid" 2>/dev/null)
    [ -n "$wids" ] && break
    sleep 0.1
  done
  if [ -z "$wids" ]; then
    fail "$name: xdotool search --pid $dreieck_pid finds no window"
  elif [ "$(wc -l <<<"$wids")" -ne 1 ]; then
    fail "$name: xdotool search --pid finds $(wc -l <<<"$wids") windows"
  else
    pass "$name: xdotool search --pid finds its window"
    xprop -id "$wids" -notype _NET_WM_PID WM_CLIENT_MACHINE WM_CLASS _NET_WM_NAME >"$run/$name.xprop" 2>&1
    expect_eq "$name: its process, machine and class" "_NET_WM_PID = $dreieck_pid
WM_CLIENT_MACHINE = \"$(uname -n)\"
WM_CLASS = \"dreieck\", \"Dreieck\"
_NET_WM_NAME = \"Dreieck\"" "$(cat "$run/$name.xprop")"
    xprop -id "$wids" -notype -f _NET_WM_ICON 32c '=$0+\n' _NET_WM_ICON >"$run/$name.icon" 2>&1
    if "$python" "$top/tests/icon_pixels.py" cardinals "$icon" 16 32 48 <"$run/$name.icon" >"$run/$name.icon.txt" 2>&1
    then
      pass "$name: _NET_WM_ICON is res/dreieck.ico at 16, 32 and 48 pixels"
    else
      fail "$name: _NET_WM_ICON:"$'\n'"$(grep -v '^ok:' "$run/$name.icon.txt")"
    fi
  fi
  kill -TERM "$dreieck_pid"
  stops "$name"
}

log "the program's windows"
window own --interval 5000
window fullscreen --fullscreen --interval 5000
window explorer --explore
checks_end
