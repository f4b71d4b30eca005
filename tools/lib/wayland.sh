# shellcheck shell=bash
# A Wayland compositor of our own without a screen (sway headless, pixels in software)
# and what the tests and tools do with it: outputs at any size and scale, exact
# screenshots of one output (grim), the pointer (a virtual one, the tests' wlpointer)
# and keys (wtype). Sourced by the tests and
# the tools.
#
# sway refuses to run as root: as root it runs as a throw-away user made for it (and
# removed at sway_stop), with a runtime folder of its own; the clients may stay root,
# which reaches the user's socket. Otherwise it runs as the caller.
# shellcheck source=/dev/null  # the scripts name process.sh themselves for shellcheck
source "$(dirname "${BASH_SOURCE[0]}")/process.sh"

sway_pid=""    # the sway started last, while it runs
sway_user=""   # the throw-away user it runs as, while there is one
sway_dir=""
wl_pointer_fd=""
wl_keyboard_pid=""

# sway_start DIR RESOLUTION: sway with one output, HEADLESS-1, of RESOLUTION (800x600)
# at scale 1, black, windows without borders (a window alone fills its output), in the
# folder DIR (its config, log and runtime folder; the folder it is in becomes passable
# for sway's user). Exports WAYLAND_DISPLAY, SWAYSOCK and XDG_RUNTIME_DIR for the
# clients. False, with its log, when it did not come up in 10 s.
sway_start() {
  sway_dir=$1
  local resolution=$2 runtime=$1/runtime as=()
  mkdir -p "$runtime" || return 1
  cat >"$sway_dir/config" <<EOF
output HEADLESS-1 resolution $resolution scale 1 bg #000000 solid_color
default_border none
default_floating_border none
focus_follows_mouse no
mouse_warping none
EOF
  if [ "$(id -u)" -eq 0 ]; then
    sway_user=dwl$$
    useradd -M -d "$sway_dir" -s /usr/sbin/nologin "$sway_user" 2>"$sway_dir/useradd.err" || {
      cat "$sway_dir/useradd.err"
      sway_user=""
      return 1
    }
    # Its user passes through the folder DIR is in.
    chmod o+x "$(dirname "$sway_dir")"
    chmod 755 "$sway_dir"
    chmod 644 "$sway_dir/config"
    chown "$sway_user:" "$runtime"
    as=(runuser -u "$sway_user" --)
  fi
  chmod 700 "$runtime"
  "${as[@]}" env -i PATH=/usr/bin:/bin HOME="$sway_dir" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$sway_dir/config" >"$sway_dir/sway.log" 2>&1 &
  sway_pid=$!
  export XDG_RUNTIME_DIR=$runtime
  if ! wait_until 10 "$sway_pid" sway_ready; then
    echo "sway did not come up:"
    tail -20 "$sway_dir/sway.log"
    return 1
  fi
  WAYLAND_DISPLAY=$(cd "$runtime" && ls wayland-[0-9]* | grep -v lock | head -1)
  SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock | head -1)
  export WAYLAND_DISPLAY SWAYSOCK
  unset DISPLAY DREIECK_DISPLAY
}
sway_ready() {  # the socket and the IPC, answering
  local sock
  sock=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1)
  [ -n "$sock" ] && ls "$XDG_RUNTIME_DIR"/wayland-[0-9]* >/dev/null 2>&1 &&
    SWAYSOCK=$sock swaymsg -t get_version >/dev/null 2>&1
}

# sway_stop: ends the helpers, sway and its user.
sway_stop() {
  wl_input_stop
  [ -z "$sway_pid" ] || stop_pid "$sway_pid"
  sway_pid=""
  if [ -n "$sway_user" ]; then
    local pid
    for pid in $(pgrep -u "$sway_user"); do kill -KILL "$pid" 2>/dev/null; done
    sleep 0.1
    userdel "$sway_user" 2>/dev/null || echo "warning: could not remove the user $sway_user"
    sway_user=""
  fi
}

# sway_kill: the compositor ends at once, as when it crashes (sway itself, not the
# runuser that started it).
sway_kill() {
  local pid=$sway_pid
  [ -z "$sway_user" ] || pid=$(pgrep -u "$sway_user" -x sway | head -1)
  kill -KILL "$pid" 2>/dev/null
  wait "$sway_pid" 2>/dev/null
  sway_pid=""
}

# sway_output NAME ARGS...: swaymsg output NAME ARGS (e.g. resolution 640x480 scale 2).
sway_output() { swaymsg output "$@" >/dev/null; }
# sway_new_output: a new headless output; its name in $new_output once it is there.
sway_new_output() {
  local before
  before=$(sway_outputs)
  swaymsg create_output >/dev/null || return 1
  wait_until 5 "" sway_output_came "$before"
}
sway_output_came() {
  new_output=$(comm -13 <(echo "$1") <(sway_outputs) | head -1)
  [ -n "$new_output" ]
}
sway_outputs() { swaymsg -t get_outputs -r | grep -o '"name": "[^"]*"' | cut -d'"' -f4 | sort; }
# sway_window FIELD: FIELD (app_id, name, ...) of the first window, "" while there is none.
sway_window() {
  swaymsg -t get_tree -r | python3 -c '
import json, sys
def views(node):
    if node.get("app_id") is not None: yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []): yield from views(child)
found = next(views(json.load(sys.stdin)), None)
print(found.get(sys.argv[1]) or "" if found else "")' "$1"
}

# shot OUTPUT FILE: a screenshot of one output in its device pixels (PNG), exact.
wl_shot() { timeout 20 grim -o "$1" "$2" 2>/dev/null; }

# wl_input_start PROGRAM: the seat gets a pointer (PROGRAM, the tests' wlpointer, for
# as long as it runs) and a keyboard that stays (a virtual keyboard that sleeps), so
# that each `wtype` or cursor command after reaches the client with the focus at once.
wl_input_start() {
  wl_pointer_program=$1
  exec {wl_pointer_fd}> >(exec "$1" >"$sway_dir/wlpointer.out" 2>&1)
  wtype -s 3600000 "" >/dev/null 2>&1 &
  wl_keyboard_pid=$!
  wait_until 5 "" grep -q ready "$sway_dir/wlpointer.out" && wait_until 5 "" seat_has keyboard &&
    seat_has pointer
}
seat_has() { swaymsg -t get_seats -r | grep -q "\"$1\""; }
no_pointer() { ! seat_has pointer; }
# wl_pointer_replug: the seat's pointer goes and comes back, as a mouse unplugged and
# plugged in again (at the layout's top left).
wl_pointer_replug() {
  echo quit >&"$wl_pointer_fd"
  exec {wl_pointer_fd}>&-
  wait_until 5 "" no_pointer || return 1
  exec {wl_pointer_fd}> >(exec "$wl_pointer_program" >"$sway_dir/wlpointer.out" 2>&1)
  wait_until 5 "" grep -q ready "$sway_dir/wlpointer.out" && wait_until 5 "" seat_has pointer
}
wl_input_stop() {
  [ -z "$wl_pointer_fd" ] || { echo quit >&"$wl_pointer_fd"; exec {wl_pointer_fd}>&-; } 2>/dev/null
  wl_pointer_fd=""
  [ -z "$wl_keyboard_pid" ] || stop_pid "$wl_keyboard_pid" 1
  wl_keyboard_pid=""
}
# The pointer, in the layout's coordinates (an output at scale 2 has half as many as
# it has device pixels): to X Y, a button (1 left, 3 right) pressed and released there;
# each taken by the compositor when it returns. The virtual pointer's own events, as a
# mouse sends them: a pointer moved with a button down drags.
pointer_to() { wl_pointer_say "move $1 $2 $(sway_layout)"; }
pointer_press() { wl_pointer_say "press $(wl_button "${1:-1}")"; }
pointer_release() { wl_pointer_say "release $(wl_button "${1:-1}")"; }
wl_button() {  # X's numbers as evdev's: 1 left (BTN_LEFT, 272), 2 middle (274), 3 right (273)
  case ${1#button} in 1) echo 272 ;; 2) echo 274 ;; 3) echo 273 ;; esac
}
wl_pointer_say() {
  local before
  before=$(grep -c done "$sway_dir/wlpointer.out")
  echo "$1" >&"$wl_pointer_fd"
  wait_until 5 "" wl_pointer_done "$before"
}
wl_pointer_done() { [ "$(grep -c done "$sway_dir/wlpointer.out")" -gt "$1" ]; }
# sway_layout: "W H", the box around the outputs in the layout.
sway_layout() {
  swaymsg -t get_outputs -r | python3 -c '
import json, sys
rects = [o["rect"] for o in json.load(sys.stdin) if o.get("active")]
print(max(r["x"] + r["width"] for r in rects), max(r["y"] + r["height"] for r in rects))'
}
# key NAME...: each key pressed and released (wtype's names: Escape, Right, q, ...).
key() {
  local k args=()
  for k in "$@"; do args+=(-k "$k"); done
  wtype "${args[@]}"
}

# weston_start DIR WxH: weston headless (no layer shell: the compositors without one, as
# GNOME's) with one output of that size, its runtime folder in DIR, as WAYLAND_DISPLAY;
# its pid in $weston_pid. False, with its log, when its socket did not come in 10 s.
weston_pid=""
weston_start() {
  local dir=$1 runtime=$1/runtime
  mkdir -p "$runtime" && chmod 700 "$runtime" || return 1
  XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=wayland-weston --width="${2%x*}" \
    --height="${2#*x}" --idle-time=0 >"$dir/weston.log" 2>&1 &
  weston_pid=$!
  if ! wait_until 10 "$weston_pid" test -S "$runtime/wayland-weston"; then
    echo "weston did not come up:"
    tail -20 "$dir/weston.log"
    return 1
  fi
  export XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=wayland-weston
}
weston_stop() {
  [ -z "$weston_pid" ] || stop_pid "$weston_pid"
  weston_pid=""
}
