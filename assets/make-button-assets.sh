#!/usr/bin/env bash
# Draws the owner-drawn button's six 64 x 25 state pictures: a rounded themed face on the
# dialog's light beige, one pixel margin (two when pressed). Outputs are committed.
set -euo pipefail
cd "$(dirname "$0")"
beige='#F2EEDF'
outline='#1C3F94'

face() {  # name, outline inset, top colour, bottom colour, ring colour or "", ring bottom colour
  local name=$1 inset=$2 top=$3 bottom=$4 ring=${5:-} ringb=${6:-}
  local x0=$inset y0=$inset x1=$((63 - inset)) y1=$((24 - inset))
  local args=(+antialias -size 64x25 "xc:$beige"
    \( -size $((x1 - x0 + 1))x$((y1 - y0 + 1)) "gradient:$top-$bottom" \) -geometry +$x0+$y0 -composite)
  if [ -n "$ring" ]; then
    args+=(-fill none -stroke "$ring" -strokewidth 1
      -draw "roundrectangle $((x0 + 1)),$((y0 + 1)) $((x1 - 1)),$((y1 - 1)) 2,2"
      -draw "roundrectangle $((x0 + 2)),$((y0 + 2)) $((x1 - 2)),$((y1 - 2)) 2,2"
      -stroke "$ringb" -draw "line $((x0 + 3)),$((y1 - 1)) $((x1 - 3)),$((y1 - 1))"
      -draw "line $((x0 + 3)),$((y1 - 2)) $((x1 - 3)),$((y1 - 2))")
  fi
  args+=(-fill none -stroke "$outline" -strokewidth 1 -draw "roundrectangle $x0,$y0 $x1,$y1 3,3"
    -fill "$beige" -stroke none
    -draw "point $x0,$y0" -draw "point $x1,$y0" -draw "point $x0,$y1" -draw "point $x1,$y1")
  convert "${args[@]}" -alpha off -type TrueColor "BMP3:button_$name.bmp"
}

face normal 1 '#FDFDFB' '#E9E8E0'
face highlight 1 '#FFF8DA' '#F7E3B4' '#FFE59A' '#F5A623'
face pressed 2 '#D6D4CC' '#EFEEE8'
face selected 1 '#FAFBFF' '#E4E9F8' '#A9C4F5' '#5B8BE5'
cp button_highlight.bmp button_highlightselect.bmp
convert +antialias -size 64x25 "xc:$beige" \( -size 62x23 'gradient:#F8F7F2-#F1F0EA' \) -geometry +1+1 -composite \
  -fill none -stroke '#CBC6B6' -draw 'roundrectangle 1,1 62,23 3,3' \
  -fill "$beige" -stroke none -draw 'point 1,1' -draw 'point 62,1' -draw 'point 1,23' -draw 'point 62,23' \
  -alpha off -type TrueColor BMP3:button_disable.bmp
