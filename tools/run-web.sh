#!/usr/bin/env bash
# Builds the browser build's page and serves it (tools/run.sh --web comes here).
#
#   tools/run-web.sh [OPTION]...
#
# The OPTIONs are dreieck's (dreieck --help), given to the page as its address's query:
# "--background white --no-excircles" becomes ?background=white&no-excircles; the page
# reads them with the same option table and shows one line for one it refuses.
#
# With a display (DISPLAY set) it serves build/web/site on 127.0.0.1, prints the
# address, and serves until Ctrl-C. Without a display it photographs one whole cycle
# (at 500 ms, or the --interval given) in headless Chromium at 1024x768 into
# out/screens-web/tick-NN.png (tick-00.png the triangle, the last one the erase with the
# caption); the screenshots of an earlier run are replaced only by a complete cycle. An
# option the page refuses ends with the page's own line and exit code 2.
#
# Installs what is missing first (tools/install-deps.sh). The first build in a checkout
# builds Cairo, FreeType and pixman for WebAssembly too (minutes, once: docs/browser.md).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

# shellcheck source=SCRIPTDIR/lib/process.sh
source "$root/tools/lib/process.sh"
missing=$(missing_tool cmake make emcc /usr/bin/chromium)
/usr/bin/python3 -c 'import websocket' 2>/dev/null || missing="python3-websocket"
if [ -n "$missing" ]; then
  echo "run: $missing is missing; installing the packages (tools/install-deps.sh)"
  tools/install-deps.sh || exit 1
fi

# The options as a query (tools/lib/query.sh).
# shellcheck source=SCRIPTDIR/lib/query.sh
source "$root/tools/lib/query.sh"
query=$(options_query "$@")
interval_given=no
for arg in "$@"; do
  [[ "$arg" =~ ^--?interval(=|$) ]] && interval_given=yes
done

mkdir -p build out
if [ ! -f build/web/deps/stamp ]; then
  echo "run: building build/web/site; the first time also Cairo, FreeType and pixman for WebAssembly (minutes, once: docs/browser.md)"
else
  echo "run: building build/web/site"
fi
cmake --preset web >build/web.configure.log 2>&1 || { cat build/web.configure.log; exit 1; }
cmake --build --preset web -j"$(nproc 2>/dev/null || echo 2)" >build/web.build.log 2>&1 ||
  { tail -n 40 build/web.build.log; echo "run: the build failed; the whole log: build/web.build.log"; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  exec /usr/bin/python3 tools/web.py serve build/web/site "$query"
fi
# No display: one cycle photographed, every 500 ms unless the options say otherwise
# (tools/lib/cycle.sh), each tick of the page run and photographed by tools/web.py.
[ "$interval_given" == yes ] || query="interval=500${query:+&$query}"
# shellcheck source=SCRIPTDIR/lib/cycle.sh
source "$root/tools/lib/cycle.sh"
coproc page { exec /usr/bin/python3 tools/web.py ticks build/web/site "$query"; }
# The pipes to and from it (bash closes them when it ends).
page_pid=$! to_page=${page[1]} from_page=${page[0]}
# shellcheck disable=SC2317  # photograph_cycle calls it
page_tick() {  # page_tick K FILE: the page's next tick into FILE, a SNAP for photograph_cycle
  local answer
  { echo "$2" >&"$to_page" && read -r answer <&"$from_page"; } 2>/dev/null || return 1
  [ "$answer" == last ] && return 10
  [ "$answer" == more ]
}
rc=1
if { read -r ready <&"$from_page"; } 2>/dev/null && [ "$ready" == ready ]; then
  photograph_cycle "$root/out/screens-web" page_tick && rc=0
  { echo >&"$to_page"; } 2>/dev/null
fi
wait "$page_pid" || rc=$?
exit "$rc"
