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
# builds Cairo, FreeType and pixman for WebAssembly too (about 7 minutes, once).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

missing=""
for tool in cmake make emcc /usr/bin/chromium; do
  command -v "$tool" >/dev/null || missing="$tool"
done
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
  echo "run: building build/web/site; the first time also Cairo, FreeType and pixman for WebAssembly (about 7 minutes)"
else
  echo "run: building build/web/site"
fi
cmake --preset web >build/web.configure.log 2>&1 || { cat build/web.configure.log; exit 1; }
cmake --build --preset web -j"$(nproc 2>/dev/null || echo 2)" >build/web.build.log 2>&1 ||
  { tail -n 40 build/web.build.log; echo "run: the build failed; the whole log: build/web.build.log"; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  exec /usr/bin/python3 tools/web.py serve build/web/site "$query"
fi
# No display: one cycle photographed, every 500 ms unless the options say otherwise.
[ "$interval_given" == yes ] || query="interval=500${query:+&$query}"
exec /usr/bin/python3 tools/web.py photograph build/web/site "$query" "$root/out/screens-web"
