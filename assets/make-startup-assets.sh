#!/usr/bin/env bash
# Draws the start-up module's pictures: the preview picture (152 x 112, a sunset over the sea)
# and the program icon. The outputs are committed; run again only to change them.
set -euo pipefail
cd "$(dirname "$0")"

convert -size 152x70 gradient:'#1d2f6f'-'#f29e5c' \
  \( -size 152x42 gradient:'#1f4f7a'-'#0a1a33' \) -append \
  -fill '#ffd27a' -draw 'circle 76,66 76,52' \
  -fill '#0f2f52' -draw 'rectangle 0,70 151,111' \
  -fill '#f6b56a' -draw 'rectangle 62,74 90,75' -draw 'rectangle 66,79 86,80' \
  -draw 'rectangle 70,85 82,86' -draw 'rectangle 73,92 79,93' \
  -fill '#0b1530' -draw 'polygon 0,70 18,58 34,64 52,54 70,70' \
  -strip -quality 90 -sampling-factor 2x2 preview.jpg

convert -size 32x32 xc:none -fill '#3a2a6e' -draw 'roundrectangle 0,0 31,31 6,6' \
  -fill '#f29e5c' -draw 'circle 16,17 16,8' \
  -fill '#0f2f52' -draw 'rectangle 2,18 29,29' \
  -fill '#ffd27a' -draw 'rectangle 9,20 23,21' -draw 'rectangle 12,24 20,25' \
  \( +clone -resize 16x16 \) zarnik.ico
