#!/usr/bin/env bash
# fixture.sh start|stop|serve BUILD_DIR [DISPLAY]
# start: two Xvfb displays (24-bit true colour and 8-bit with a palette), a Wine
# prefix made once, the crash dialog off, and a persistent wineserver so that
# tests run against a ready server. stop: ends all of them. serve: a new
# wineserver and desktop on the given X display (default: the 24-bit one);
# Wine reads the monitors of the display its desktop started on.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"
action=$1
build=$(cd "$2" && pwd)
velmora_wine_env "$build"
mkdir -p "$WINE_STATE"

stop_all() {
  "$WINESERVER_BIN" -k 2>/dev/null || true
  for pidfile in "$WINE_STATE"/xvfb-*.pid; do
    [ -f "$pidfile" ] || continue
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
}

start_xvfb() {  # depth geometry
  local depth=$1 geometry=$2 numfile="$WINE_STATE/display-$1"
  rm -f "$numfile"
  setsid Xvfb -displayfd 3 -screen 0 "${geometry}x${depth}" -nolisten tcp 3>"$numfile" </dev/null >/dev/null 2>&1 &
  echo $! > "$WINE_STATE/xvfb-$depth.pid"
  for _ in $(seq 100); do
    [ -s "$numfile" ] && return 0
    sleep 0.1
  done
  echo "Xvfb ($depth-bit) did not start" >&2
  return 1
}

serve_on() {  # X display
  "$WINESERVER_BIN" -k 2>/dev/null || true
  "$WINESERVER_BIN" -w 2>/dev/null || true
  export DISPLAY=$1
  setsid "$WINESERVER_BIN" -p </dev/null >/dev/null 2>&1 &
  setsid "$WINE_BIN" wineboot </dev/null >/dev/null 2>&1
}

case "$action" in
  serve)
    serve_on "${3:-:$(cat "$WINE_STATE/display-24")}"
    ;;
  start)
    stop_all
    start_xvfb 24 1024x768
    start_xvfb 8 640x480
    export DISPLAY=":$(cat "$WINE_STATE/display-24")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$WINE_BIN" wineboot --init </dev/null >/dev/null 2>&1
      "$WINESERVER_BIN" -w
    fi
    "$WINE_BIN" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    "$WINESERVER_BIN" -w
    setsid "$WINESERVER_BIN" -p </dev/null >/dev/null 2>&1 &
    # Start Wine's background services now, detached: started by a test they
    # would hold its output open, and CTest would wait for them.
    setsid "$WINE_BIN" wineboot </dev/null >/dev/null 2>&1
    echo "Wine ready: prefix $WINEPREFIX, displays :$(cat "$WINE_STATE/display-24") (24-bit), :$(cat "$WINE_STATE/display-8") (8-bit)"
    ;;
  stop)
    stop_all
    ;;
  *)
    echo "usage: fixture.sh start|stop|serve BUILD_DIR [DISPLAY]" >&2
    exit 2
    ;;
esac
