#!/usr/bin/env bash
# live-memory.sh [SECONDS]: how much memory a live velmora holds over time.
# Runs the release build in a window on a private Xvfb screen with every
# effect on (colours as fast as they go, moving and fading in turn) and
# prints its resident size at 30 s and at the end (default 180 s). A live
# program should not grow after its first half minute.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-180}
cmake --preset native >/dev/null
cmake --build --preset native --target velmora >/dev/null
work=$(mktemp -d)
Xvfb :97 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
stop() {
  [ -n "${velmora:-}" ] && kill "$velmora" 2>/dev/null && wait "$velmora" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
sleep 1
DISPLAY=:97 VELMORA_CONFIG_DIR="$work" build/native/linux/velmora --size 640x360 \
  --psychedelic-colors --cycle-delay 0 --continuous-colors --moving-clouds --transforming-clouds \
  --effect-cycle 5 --time-on-screen 2 &
velmora=$!
resident() { awk '/^VmRSS/ { print $2 }' "/proc/$velmora/status"; }
sleep 30
early=$(resident)
sleep $((seconds - 30))
late=$(resident)
echo "velmora resident size: ${early} kB at 30 s, ${late} kB at ${seconds} s, growth $((late - early)) kB"
