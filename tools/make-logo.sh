#!/usr/bin/env bash
# Makes resources/logo.bmp, the installer's 142x40 logo in 16 colours: one of
# our own plasma pictures, drawn by velmora-render on a 16-colour display.
#   tools/make-logo.sh BUILD_DIR   (a native build tree with velmora-render)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[ScreenSaver.Velmora]\nFixedPalette=1\nPaletteIndex=5\nRandomGranularity=0\nGranularity=12\n' > "$work/logo.ini"
"$1/tools/velmora-render" --width 142 --height 40 --palette-size 16 --ms 7 --time 1700000000 \
  --settings "$work/logo.ini" --out "$work/logo"
convert "$work/logo-0.png" -type Palette -colors 16 BMP3:resources/logo.bmp
echo "resources/logo.bmp"
