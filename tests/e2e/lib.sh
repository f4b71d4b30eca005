# Shared pieces of the end-to-end tests: a run folder, the run's Wine prefix, a
# virtual display of our own, starting the program under Wine, and reading pixels
# from screenshots. Sourced by the test scripts; tools/run.sh uses it too.
#
# The tests of a run share one prefix, DREIECK_E2E_WORK/prefix, made by the e2e-prefix
# test (or by the first test that finds none) and removed by e2e-prefix-cleanup. One
# test at a time uses it: a test holds DREIECK_E2E_WORK/prefix.lock from its start to
# its end, and starts from the registry as wineboot left it (HKCU\Software\Morvaselkin
# included: no test sees another's settings).
#
# Everything a test starts is ended by its own cleanup: the wineserver of the prefix
# (which takes the prefix's Windows processes with it) and its own Xvfb. Output goes
# to files in the run folder, never through pipes: Wine's background processes keep
# the stderr of the first wine call open.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_WIDTH=1024
E2E_HEIGHT=768
E2E_FAILURES=0
E2E_XVFB_PID=""

log() { echo "[$(date +%H:%M:%S)] $*"; }
fail() {
  echo "FAIL: $*"
  E2E_FAILURES=$((E2E_FAILURES + 1))
}
pass() { echo "ok: $*"; }
expect_eq() {  # expect_eq DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}

# The Windows path of a file on the Linux side (Wine's drive Z: is /).
winpath() { echo "Z:${1//\//\\}"; }

# e2e_env RUN: the environment of everything Wine does for this run.
e2e_env() {
  local run=$1
  mkdir -p "$run/home" "$run/tmp"
  export HOME="$run/home" TMPDIR="$run/tmp" WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEARCH=win64
  # No Mono or Gecko installer dialogs while the prefix is made.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export TZ=UTC LC_ALL=C
}

# make_prefix RUN [PREFIX]: a new prefix in RUN/prefix, or PREFIX (15-20 s), made
# small by slim_prefix; wineboot's output goes to RUN.
make_prefix() {
  local run=$1
  e2e_env "$run"
  [ -n "${2:-}" ] && export WINEPREFIX=$2
  rm -rf "$WINEPREFIX"
  (unset DISPLAY; timeout 180 wineboot -i >"$run/wineboot.out" 2>"$run/wineboot.err")
  local rc=$?
  # No window manager on a virtual display: Wine then draws title bars and frames
  # itself, so the dialog shows its caption as on Windows.
  timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >"$run/managed.out" 2>"$run/managed.err"
  timeout 60 wineserver -w
  [ $rc -eq 0 ] && [ -f "$WINEPREFIX/system.reg" ] || return 1
  slim_prefix "$WINEPREFIX" >"$run/slim.out" 2>&1
  case $? in
    0) ;;
    2) log "the prefix keeps its full copies of Wine's modules: $(cat "$run/slim.out")" ;;
    *) cat "$run/slim.out"; return 1 ;;
  esac
}

# wine_dll_dir: the folder of Wine's own 64-bit Windows DLLs and programs.
wine_dll_dir() {
  local dir
  for dir in /usr/lib/x86_64-linux-gnu/wine /usr/lib/wine /usr/lib64/wine /usr/local/lib/wine /opt/wine*/lib/wine \
    "$(dirname "$(readlink -f "$(command -v wine)")")/../lib/wine"; do
    [ -f "$dir/x86_64-windows/ntdll.dll" ] && { echo "$dir/x86_64-windows"; return 0; }
  done
  return 1
}

# slim_prefix PREFIX: wineboot copies every Wine DLL and program into the prefix
# (about 650 MB). Each code module there that is Wine's own (a module of Wine's of
# that name and size) becomes a placeholder of 4 KB: a PE file carrying "Wine placeholder DLL" after its DOS
# header, which Wine's loader answers by loading its own module of that name (what
# wineboot installs where Wine's modules are not PE files). Data files (type
# libraries, the theme) stay whole: they are read, not loaded. The prefix's
# wineserver must not run. A later `wineboot -u` simply copies the modules again.
# Exit: 0 done (or done before); 2 left as it was (no x86_64-w64-mingw32-gcc, or
# Wine's modules not found); 1 failed half-way (the prefix is unusable).
slim_prefix() {
  local prefix=$1 dlls tmp n=0 f name stub
  [ -f "$prefix/.placeholders" ] && return 0
  dlls=$(wine_dll_dir) || { echo "slim_prefix: Wine's DLL folder not found"; return 2; }
  command -v x86_64-w64-mingw32-gcc >/dev/null || { echo "slim_prefix: no x86_64-w64-mingw32-gcc"; return 2; }
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/placeholder.XXXXXX") || return 2
  echo 'int __stdcall entry(void *a, unsigned b, void *c) { return 1; }' >"$tmp/stub.c"
  if ! x86_64-w64-mingw32-gcc -Os -s -nostdlib -shared -Wl,--entry=entry -o "$tmp/dll.dll" "$tmp/stub.c" ||
    ! x86_64-w64-mingw32-gcc -Os -s -nostdlib -mwindows -Wl,--entry=entry -o "$tmp/exe.exe" "$tmp/stub.c" ||
    [ "$(head -c 2 "$tmp/dll.dll")$(head -c 2 "$tmp/exe.exe")" != MZMZ ]; then
    rm -rf "$tmp"
    echo "slim_prefix: cannot build the placeholders"
    return 2
  fi
  # The signature goes where the DOS stub program was, between the DOS header and the
  # PE header.
  for stub in dll exe; do
    mv "$tmp/$stub.$stub" "$tmp/$stub"
    printf 'Wine placeholder DLL\0' | dd of="$tmp/$stub" bs=1 seek=64 conv=notrunc status=none
  done
  # Wine's modules by name and size: a file of the new prefix with the name and the
  # size of one of them is the copy wineboot made. The placeholders are written by one
  # tee for many files (a process per file would take half a minute).
  local -A size
  local bytes
  while read -r bytes name; do size[$name]=$bytes; done < <(find "$dlls" -maxdepth 1 -type f -printf '%s %f\n')
  : >"$tmp/dll.list"
  : >"$tmp/exe.list"
  while IFS=' ' read -r -d '' bytes f; do
    name=${f##*/}
    [ "${size[$name]:-}" == "$bytes" ] || continue
    case ${name,,} in *.exe | *.com) printf '%s\0' "$f" >>"$tmp/exe.list" ;; *) printf '%s\0' "$f" >>"$tmp/dll.list" ;; esac
    n=$((n + 1))
  done < <(find "$prefix/drive_c" -type f \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' \
    -o -iname '*.acm' -o -iname '*.ax' -o -iname '*.cpl' -o -iname '*.ocx' -o -iname '*.ds' -o -iname '*.com' \) \
    -printf '%s %p\0')
  for stub in dll exe; do
    if ! xargs -0 -r sh -c 'exec tee -- "$@" <"$0" >/dev/null' "$tmp/$stub" <"$tmp/$stub.list"; then
      rm -rf "$tmp"
      echo "slim_prefix: writing the placeholders failed"
      return 1
    fi
  done
  rm -rf "$tmp"
  echo "$n" >"$prefix/.placeholders"
  echo "slim_prefix: $n modules are placeholders"
}

# start_xvfb RUN [SCREEN...]: our own virtual display; Xvfb picks a free number and
# tells us. Its X screen 0 is E2E_WIDTHxE2E_HEIGHT; each SCREEN ("800x600x24") adds
# one more X screen (:N.1, :N.2, ...).
start_xvfb() {
  local run=$1
  shift
  local screens=(-screen 0 "${E2E_WIDTH}x${E2E_HEIGHT}x24") screen
  for screen in "$@"; do screens+=(-screen "$((${#screens[@]} / 3))" "$screen"); done
  rm -f "$run/display"
  Xvfb -displayfd 9 "${screens[@]}" -nolisten tcp -noreset \
    9>"$run/display" >"$run/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$run/display" ]; then
      export DISPLAY=":$(head -1 "$run/display")"
      log "Xvfb $E2E_XVFB_PID on $DISPLAY"
      return 0
    fi
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "Xvfb did not start:"
  cat "$run/xvfb.log"
  return 1
}

# The run's prefix and what a test needs to start from it: a pristine copy of its
# registry files (prefix.reg/) and the lock that keeps tests from using it at once.
e2e_prefix() { echo "${DREIECK_E2E_WORK:?}/prefix"; }

# e2e_make_prefix: a new run prefix and the pristine copy of its registry; the caller
# holds the lock. Output of wineboot goes to DREIECK_E2E_WORK/setup.
e2e_make_prefix() {
  local work=${DREIECK_E2E_WORK:?} setup
  setup=$work/setup
  e2e_stop_wine
  rm -rf "$work/prefix" "$work/prefix.reg" "$work/prefix.reg.tmp" "$setup"
  mkdir -p "$setup"
  (make_prefix "$setup" "$work/prefix") || return 1
  mkdir -p "$work/prefix.reg.tmp"
  cp "$work/prefix"/*.reg "$work/prefix.reg.tmp/" && mv "$work/prefix.reg.tmp" "$work/prefix.reg"
}

# e2e_stop_wine: ends the wineserver of the run's prefix, if one runs (a test that was
# killed may have left it), and waits until it is gone.
e2e_stop_wine() {
  [ -d "$(e2e_prefix)" ] || return 0
  WINEPREFIX=$(e2e_prefix) timeout 30 wineserver -k >/dev/null 2>&1
  WINEPREFIX=$(e2e_prefix) timeout 30 wineserver -w >/dev/null 2>&1
  return 0
}

# e2e_lock: waits (up to 10 minutes) until this process holds the prefix lock. A
# helper process holds it, so that nothing this test starts inherits it; it lets go
# when this shell ends, however it ends.
E2E_LOCK_PID=""
e2e_lock() {
  local work=${DREIECK_E2E_WORK:?} me=$$ i
  mkdir -p "$work"
  rm -f "$work/prefix.lock.$me"
  (
    flock -w 600 9 || exit 1
    : >"$work/prefix.lock.$me"
    while kill -0 "$me" 2>/dev/null; do sleep 0.5; done
  ) 9>>"$work/prefix.lock" &
  E2E_LOCK_PID=$!
  for i in $(seq 1 6050); do
    [ -f "$work/prefix.lock.$me" ] && { rm -f "$work/prefix.lock.$me"; return 0; }
    kill -0 "$E2E_LOCK_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "FAIL: another test kept $work/prefix.lock for 10 minutes"
  return 1
}
e2e_unlock() {
  [ -n "$E2E_LOCK_PID" ] || return 0
  kill "$E2E_LOCK_PID" 2>/dev/null
  wait "$E2E_LOCK_PID" 2>/dev/null
  E2E_LOCK_PID=""
}

# e2e_begin NAME: a fresh run folder, the run's prefix with its registry as wineboot
# left it (made first if there is none), a display and a wineserver that stays up for
# the whole test; cleanup on exit.
e2e_begin() {
  local name=$1
  : "${DREIECK_E2E_WORK:?}" "${DREIECK_SCR:?}"
  local tool
  for tool in wine wineserver Xvfb xdotool xwininfo import convert faketime flock; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/install-deps.sh installs it)"; exit 1; }
  done
  E2E_RUN="$DREIECK_E2E_WORK/$name"
  rm -rf "$E2E_RUN"
  mkdir -p "$E2E_RUN"
  # Until the run's prefix is named below, the cleanup has no wineserver to end.
  unset WINEPREFIX
  trap e2e_cleanup EXIT
  e2e_lock || exit 1
  if [ ! -f "$DREIECK_E2E_WORK/prefix/system.reg" ] || [ ! -f "$DREIECK_E2E_WORK/prefix.reg/user.reg" ]; then
    log "no Wine prefix in $DREIECK_E2E_WORK yet: making it"
    e2e_make_prefix || { echo "FAIL: wineboot did not make the prefix; see $DREIECK_E2E_WORK/setup"; exit 1; }
  fi
  # Back to the registry wineboot wrote, while no wineserver holds it.
  e2e_stop_wine
  local reg
  for reg in "$DREIECK_E2E_WORK/prefix.reg"/*.reg; do
    cp "$reg" "$DREIECK_E2E_WORK/prefix/${reg##*/}.new" &&
      mv "$DREIECK_E2E_WORK/prefix/${reg##*/}.new" "$DREIECK_E2E_WORK/prefix/${reg##*/}" || exit 1
  done
  e2e_env "$E2E_RUN"
  export WINEPREFIX="$DREIECK_E2E_WORK/prefix"
  start_xvfb "$E2E_RUN" || exit 1
  # Started without faketime, so that a frozen clock reaches only the program.
  timeout 30 wineserver -p >"$E2E_RUN/wineserver.out" 2>&1 || exit 1
  E2E_SCR=$(winpath "$DREIECK_SCR")
}

e2e_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1
    timeout 30 wineserver -w >/dev/null 2>&1
  fi
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
    E2E_XVFB_PID=""
  fi
  e2e_unlock
}

# e2e_end: the verdict; the exit code of the test.
e2e_end() {
  if [ "$E2E_FAILURES" -eq 0 ]; then
    echo "PASS"
    exit 0
  fi
  echo "FAIL: $E2E_FAILURES checks failed; files in $E2E_RUN"
  exit 1
}

# set_dword NAME VALUE: a value under HKCU\Software\Morvaselkin.
set_dword() {
  timeout 30 wine reg add 'HKCU\Software\Morvaselkin' /v "$1" /t REG_DWORD /d "$2" /f \
    >"$E2E_RUN/reg.out" 2>"$E2E_RUN/reg.err" || fail "reg add $1 $2"
}
# set_flags M I U H F E A: the seven show-flags at once, in the dialog's order.
set_flags() {
  local names=(Schwerlinien Inkreis Umkreis Hoehenlinien Feuerbachkreis "Eulersche Gerade" Ankreise)
  local values=("$@") i
  for i in 0 1 2 3 4 5 6; do set_dword "${names[$i]}" "${values[$i]}"; done
}
# stored_values: every value under the key as "name=decimal", one a line, sorted;
# nothing when there is no key.
stored_values() {
  timeout 30 wine reg query 'HKCU\Software\Morvaselkin' >"$E2E_RUN/query.out" 2>"$E2E_RUN/query.err"
  local name hex
  tr -d '\r' <"$E2E_RUN/query.out" |
    sed -n 's/^ *\(.*[^ ]\) \{4\}REG_DWORD \{4\}0x\([0-9a-fA-F]*\) *$/\1|\2/p' |
    while IFS='|' read -r name hex; do echo "$name=$((16#$hex))"; done | sort
}
delete_key() {
  timeout 30 wine reg delete 'HKCU\Software\Morvaselkin' /f >"$E2E_RUN/reg.out" 2>"$E2E_RUN/reg.err"
}

# start_scr NAME TAIL [faketime]: the program with exactly TAIL as its command line,
# through our launcher, in the background; its exit code lands in RUN/NAME.rc.
# With "faketime" the clock stands still at 2021-03-04 05:06:07 UTC (timers run).
start_scr() {
  local name=$1 tail=$2 fake=${3:-}
  rm -f "$E2E_RUN/$name.rc"
  local command=(wine "${DREIECK_LAUNCHER:?}" "$E2E_SCR")
  [ -n "$tail" ] && command+=("$tail")
  if [ "$fake" == faketime ]; then
    command=(env DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 faketime -f '2021-03-04 05:06:07' "${command[@]}")
  fi
  (
    timeout 120 "${command[@]}" >"$E2E_RUN/$name.out" 2>"$E2E_RUN/$name.err"
    echo $? >"$E2E_RUN/$name.rc.tmp"
    mv "$E2E_RUN/$name.rc.tmp" "$E2E_RUN/$name.rc"
  ) &
}
# wait_exit NAME SECONDS: the exit code once the program ended, or "running".
wait_exit() {
  local name=$1 seconds=$2 i
  for i in $(seq 1 $((seconds * 10))); do
    if [ -f "$E2E_RUN/$name.rc" ]; then
      cat "$E2E_RUN/$name.rc"
      return 0
    fi
    sleep 0.1
  done
  echo running
}
has_exited() { [ -f "$E2E_RUN/$1.rc" ]; }

# X windows by their title: "WIDTHxHEIGHT+X+Y", one a line.
x_windows_named() {
  xwininfo -root -tree >"$E2E_RUN/xwininfo.out" 2>&1
  awk -v t="\"$1\":" '$2 == t { for (i = 3; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) { print $i; break } }' \
    "$E2E_RUN/xwininfo.out"
}
# wait_window TITLE SECONDS: the window's geometry once it is on screen.
wait_window() {
  local i geometry
  for i in $(seq 1 $(($2 * 10))); do
    geometry=$(x_windows_named "$1" | head -1)
    if [ -n "$geometry" ]; then
      echo "$geometry"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# shot NAME: a screenshot of the whole display, RUN/NAME.png.
shot() { timeout 20 import -window root "$E2E_RUN/$1.png" 2>>"$E2E_RUN/import.err"; }
# histogram FILE [GEOMETRY]: "N #RRGGBB" for every colour in the picture (or part).
histogram() {
  local crop=()
  [ -n "${2:-}" ] && crop=(-crop "$2" +repage)
  convert "$1" "${crop[@]}" -format %c histogram:info:- 2>/dev/null |
    awk '{ n = $1; sub(/:/, "", n); for (i = 2; i <= NF; i++) if ($i ~ /^#/) { print n, toupper(substr($i, 1, 7)); break } }'
}
# pixels COLOUR HISTOGRAM: how many pixels of that colour ("#RRGGBB") the histogram holds.
pixels() { awk -v c="$1" '$2 == c { n += $1 } END { print n + 0 }' <<<"$2"; }
# count COLOUR FILE [GEOMETRY]: pixels of exactly that colour.
count() { pixels "$1" "$(histogram "$2" "${3:-}")"; }
# dominant FILE: the colour most pixels have, and how many: "#RRGGBB N".
dominant() { histogram "$1" | sort -rn | awk 'NR == 1 { print $2, $1 }'; }
# bbox COLOUR FILE: "WxH+X+Y" around every pixel of that colour.
bbox() {
  convert "$2" -fill black +opaque "$1" -fill white -opaque "$1" -format '%@' info: 2>/dev/null
}
# pixel FILE X Y: "#RRGGBB".
pixel() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null | awk 'NR == 2 { print $3 }'
}
