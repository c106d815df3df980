#!/usr/bin/env bash
# Draws the application icon resources/pellowen.ico (256, 48, 32 and 16
# pixels) with ImageMagick: a blue tile with the lines of a plane grid, a
# point on the old datum (grey), the same point on the new one (red) and the
# arrow of the shift between them. Run once, from anywhere; the .ico is kept
# in the repository, so the build does not need ImageMagick.
#   apt-get install imagemagick && bash tools/draw_icon.sh
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 256x256 xc:none \
  -fill '#1d4f8c' -draw 'roundrectangle 8,8 247,247 40,40' \
  -stroke '#8fb4e3' -strokewidth 6 \
  -draw 'line 72,24 72,232' -draw 'line 128,24 128,232' -draw 'line 184,24 184,232' \
  -draw 'line 24,72 232,72' -draw 'line 24,128 232,128' -draw 'line 24,184 232,184' \
  -stroke white -strokewidth 14 -draw 'line 86,170 158,98' \
  -stroke none -fill white -draw 'polygon 186,70 136,88 168,120' \
  -fill '#c8c8c8' -stroke white -strokewidth 6 -draw 'circle 72,184 72,210' \
  -fill '#e03a2f' -stroke white -strokewidth 6 -draw 'circle 184,72 184,98' \
  "$work/icon.png"
convert "$work/icon.png" -depth 8 -define icon:auto-resize=256,48,32,16 resources/pellowen.ico
echo "resources/pellowen.ico: $(identify resources/pellowen.ico | wc -l) images"
