#!/usr/bin/env bash
# Makes resources/clouds.ico from plasma pictures of our own renderer:
# one fixed picture at 16, 24, 32, 48 and 256 pixels.
set -euo pipefail
cd "$(dirname "$0")/.."
render=build/native/tools/velmora-render
[ -x "$render" ] || { cmake --preset native >/dev/null && cmake --build --preset native --target velmora-render; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[ScreenSaver.Velmora]\nRandomPalette=0\nFixedPalette=1\nPaletteIndex=1\nRandomGranularity=0\nGranularity=3\nSymmetry=0\n' > "$work/icon.ini"
"$render" --width 256 --height 256 --time 2024 --settings "$work/icon.ini" --out "$work/big"
for size in 16 24 32 48; do
  convert "$work/big-0.png" -resize "${size}x${size}" -type TrueColor "PNG32:$work/icon-$size.png"
done
convert "$work/big-0.png" -type TrueColor "PNG32:$work/icon-256.png"
convert "$work"/icon-16.png "$work"/icon-24.png "$work"/icon-32.png "$work"/icon-48.png "$work"/icon-256.png resources/clouds.ico
echo "wrote resources/clouds.ico"
