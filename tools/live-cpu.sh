#!/usr/bin/env bash
# live-cpu.sh [WxH] [SECONDS] [VELMORA]: what a live velmora costs the machine.
# Runs the release build full screen on a private 24-bit Xvfb screen of WxH
# (default 1920x1080), one mode after another, and prints for each the CPU
# time of velmora and of the X server over SECONDS (default 12) as a share of
# one core, read from /proc. VELMORA: another build's program, to compare.
# VELMORA_LIVE_MODES: the modes to run, one name a line (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-1920x1080}
seconds=${2:-12}
program=${3:-build/native/linux/velmora}
if [ -z "${3:-}" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target velmora >/dev/null
fi
work=$(mktemp -d)
screen=:95
Xvfb "$screen" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
stop() {
  [ -n "${velmora:-}" ] && kill "$velmora" 2>/dev/null && wait "$velmora" 2>/dev/null
  kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap stop EXIT
for _ in $(seq 50); do xdpyinfo -display "$screen" >/dev/null 2>&1 && break; sleep 0.2; done

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # user + system, in clock ticks
hz=$(getconf CLK_TCK)

declare -A modes=(
  ["built-in settings"]=""
  ["flowing colours"]="--psychedelic-colors --cycle-delay 10 --no-moving-clouds --no-transforming-clouds --time-on-screen 0"
  ["moving"]="--no-psychedelic-colors --moving-clouds --no-transforming-clouds"
  ["transforming"]="--no-psychedelic-colors --no-moving-clouds --transforming-clouds"
  ["every effect"]="--psychedelic-colors --cycle-delay 10 --moving-clouds --transforming-clouds --effect-cycle 5 --time-on-screen 2"
)
printf '%-20s %8s %8s %8s   (%s, %s s, share of one core)\n' mode velmora X total "$size" "$seconds"
for mode in "built-in settings" "flowing colours" "moving" "transforming" "every effect"; do
  if [ -n "${VELMORA_LIVE_MODES:-}" ] && ! grep -qxF "$mode" <<<"$VELMORA_LIVE_MODES"; then continue; fi
  # shellcheck disable=SC2086
  DISPLAY=$screen VELMORA_CONFIG_DIR="$work" "$program" --fullscreen ${modes[$mode]} &
  velmora=$!
  sleep 2  # past the start
  v0=$(ticks "$velmora"); x0=$(ticks "$xvfb")
  sleep "$seconds"
  v1=$(ticks "$velmora"); x1=$(ticks "$xvfb")
  kill "$velmora"; wait "$velmora" 2>/dev/null || true; velmora=
  awk -v v=$((v1 - v0)) -v x=$((x1 - x0)) -v s="$seconds" -v hz="$hz" -v m="$mode" \
    'BEGIN { printf "%-20s %7.1f%% %7.1f%% %7.1f%%\n", m, 100 * v / hz / s, 100 * x / hz / s, 100 * (v + x) / hz / s }'
done
