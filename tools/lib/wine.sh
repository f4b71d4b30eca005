# shellcheck shell=bash
# Wine prefixes of our own: their environment, making one (small: Wine's own modules
# in it are placeholders) and ending what runs in one. Sourced by the tools and the
# tests.
#
# Output of Wine goes to files, never through pipes: Wine's background processes keep
# the stderr of the first wine call open.
# shellcheck source=/dev/null  # the scripts name process.sh themselves for shellcheck
source "$(dirname "${BASH_SOURCE[0]}")/process.sh"

# The Windows path of a file on the Linux side (Wine's drive Z: is /).
winpath() { echo "Z:${1//\//\\}"; }

# wine_env PREFIX HOME [TMPDIR]: exports the environment of everything Wine does with
# that prefix: HOME (and TMPDIR) of its own, so that Wine touches nothing of the real
# ones, no debug output, no Mono or Gecko installer dialogs, UTC and the C locale.
wine_env() {
  mkdir -p "$2"
  export WINEPREFIX=$1 HOME=$2 WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" TZ=UTC LC_ALL=C
  if [ -n "${3:-}" ]; then
    mkdir -p "$3"
    export TMPDIR=$3
  fi
}

# make_prefix LOGDIR: a new prefix in WINEPREFIX (what was there goes) in the
# environment of wine_env (15-20 s), made small by slim_prefix; the output of
# wineboot and the rest goes to LOGDIR.
make_prefix() {
  local logs=$1
  mkdir -p "$logs"
  rm -rf "${WINEPREFIX:?}"
  (unset DISPLAY; timeout 180 wineboot -i >"$logs/wineboot.out" 2>"$logs/wineboot.err")
  local rc=$?
  # No window manager on a virtual display: Wine then draws title bars and frames
  # itself, so the dialog shows its caption as on Windows.
  timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >"$logs/managed.out" 2>"$logs/managed.err"
  timeout 60 wineserver -w
  [ $rc -eq 0 ] && [ -f "$WINEPREFIX/system.reg" ] || return 1
  slim_prefix "$WINEPREFIX" >"$logs/slim.out" 2>&1
  case $? in
    0) ;;
    2) log "the prefix keeps its full copies of Wine's modules: $(cat "$logs/slim.out")" ;;
    *) cat "$logs/slim.out"; return 1 ;;
  esac
}

# The program's settings in the registry of the prefix.
SETTINGS_KEY='HKCU\Software\Morvaselkin'
# set_setting NAME VALUE LOGDIR: the REG_DWORD value NAME under SETTINGS_KEY; the
# output of wine reg goes to LOGDIR/reg.out and reg.err.
set_setting() {
  timeout 30 wine reg add "$SETTINGS_KEY" /v "$1" /t REG_DWORD /d "$2" /f >"$3/reg.out" 2>"$3/reg.err"
}
# clear_settings LOGDIR: no value under SETTINGS_KEY, so that the program takes its
# defaults (every construction on); wine reg's output goes to LOGDIR/reg.out and reg.err.
clear_settings() {
  timeout 30 wine reg delete "$SETTINGS_KEY" /f >"$1/reg.out" 2>"$1/reg.err"
}

# wine_stop PREFIX: ends the wineserver of the prefix, if one runs, and with it the
# prefix's Windows processes, and waits until it is gone.
wine_stop() {
  WINEPREFIX=$1 timeout 30 wineserver -k >/dev/null 2>&1
  WINEPREFIX=$1 timeout 30 wineserver -w >/dev/null 2>&1
  return 0
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
  local -A module_size
  local bytes
  while read -r bytes name; do module_size[$name]=$bytes; done < <(find "$dlls" -maxdepth 1 -type f -printf '%s %f\n')
  : >"$tmp/dll.list"
  : >"$tmp/exe.list"
  while IFS=' ' read -r -d '' bytes f; do
    name=${f##*/}
    [ "${module_size[$name]:-}" == "$bytes" ] || continue
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
