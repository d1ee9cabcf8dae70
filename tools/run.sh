#!/usr/bin/env bash
# The main job: builds the Windows saver and runs it full screen under Wine.
# With a display ($DISPLAY) it runs there until you move the mouse or press a
# key. Without one it runs on a private Xvfb screen for a few seconds, saves a
# screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target clouds

build="$PWD/build/windows"
source tools/wine/env.sh
velmora_wine_env "$build"
module="$build/saver/clouds.scr"

if [ -n "${DISPLAY:-}" ]; then
  [ -f "$WINEPREFIX/system.reg" ] || { "$WINE_BIN" wineboot --init >/dev/null 2>&1; "$WINESERVER_BIN" -w; }
  echo "Running $module full screen on $DISPLAY; move the mouse or press a key to end it."
  exec "$WINE_BIN" "$module" /s
fi

tools/wine/fixture.sh start "$build" >/dev/null
trap 'tools/wine/fixture.sh stop "$build"' EXIT
export DISPLAY=":$(cat "$WINE_STATE/display-24")"
"$WINE_BIN" "$module" /s &
saver=$!
sleep "${VELMORA_RUN_SECONDS:-6}"
shot="$build/velmora-screenshot.png"
import -display "$DISPLAY" -window root "$shot"
kill "$saver" 2>/dev/null || true
echo "No display: the saver ran on a private Xvfb screen. Screenshot: $shot"
