#!/usr/bin/env bash
# Makes resources/frames/frame01.bmp ... frame16.bmp, the configuration
# dialog's animation: one of our own clouds pictures, 150x112 in 16 colours,
# whose colours turn one step a frame (velmora-render --cycle), so that the 16
# frames loop.
#   tools/make-frames.sh BUILD_DIR   (a native build tree with velmora-render)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[ScreenSaver.Velmora]\nFixedPalette=1\nPaletteIndex=1\nContColorChange=0\nRandomGranularity=0\nGranularity=8\n' \
  > "$work/frames.ini"
mkdir -p resources/frames
for k in $(seq 0 15); do
  "$1/tools/velmora-render" --width 150 --height 112 --palette-size 16 --ms 3 --time 1700000000 \
    --settings "$work/frames.ini" --cycle "$k" --out "$work/frame$k"
  convert "$work/frame$k-0.png" -type Palette -colors 16 "BMP3:resources/frames/frame$(printf %02d $((k + 1))).bmp"
done
echo "resources/frames/frame01.bmp ... frame16.bmp"
