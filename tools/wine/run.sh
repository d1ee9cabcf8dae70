#!/usr/bin/env bash
# run.sh BUILD_DIR PROGRAM [ARGS...]: runs a Windows program of that build tree
# under its Wine prefix, on its 24-bit display (8-bit with VELMORA_WINE_DEPTH=8,
# another X display with VELMORA_WINE_DISPLAY), ended after VELMORA_WINE_TIMEOUT
# seconds (default 120).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
build=$(cd "$1" && pwd)
shift
velmora_wine_env "$build"
depth=${VELMORA_WINE_DEPTH:-24}
if [ -n "${VELMORA_WINE_DISPLAY:-}" ]; then
  export DISPLAY=$VELMORA_WINE_DISPLAY
elif [ -s "$WINE_STATE/display-$depth" ]; then
  export DISPLAY=":$(cat "$WINE_STATE/display-$depth")"
fi
exec timeout -k 5 "${VELMORA_WINE_TIMEOUT:-120}" "$WINE_BIN" "$@"
