#!/usr/bin/env bash
# Draws the maker's logo (logo.bmp: 170 x 23, 8 bits per pixel with a
# 256-entry palette, uncompressed) and the program's icon (tallyvane.ico:
# 16 x 16 and 32 x 32) with ImageMagick. The outputs are committed; run this
# only to change the art. Needs the DejaVu fonts (fonts-dejavu-core).
set -euo pipefail
cd "$(dirname "$0")"
CONVERT=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

MOSS='#2f7d46'      # the maker's green
MOSS_DARK='#24573a'
SLATE='#7d8a80'
TILE_TOP='#2b6cb8'  # the program's blue
TILE_BOTTOM='#173f7a'
MARK_RED='#d42a2a'  # a duplicate row, as the list draws it

# Logo: a rounded green badge with a white pine, the name, and "SOFTWARE".
"$CONVERT" -size 170x23 xc:white \
  -fill "$MOSS" -draw 'roundrectangle 0,0 22,22 5,5' \
  -fill white -draw 'polygon 11,3 16,9 6,9' \
  -draw 'polygon 11,7 17,13 5,13' \
  -draw 'polygon 11,11 18,17 4,17' \
  -draw 'rectangle 10,17 12,20' \
  -font DejaVu-Sans-Bold -pointsize 15 -fill "$MOSS_DARK" -annotate +27+17 'Mossgrove' \
  -font DejaVu-Sans -pointsize 7 -kerning 1 -fill "$SLATE" -annotate +122+17 'SOFTWARE' \
  "$work/logo.png"
"$CONVERT" "$work/logo.png" -type Palette -colors 256 -compress none BMP3:logo.bmp

# Icon: a blue tile holding a list card; the last row red, like a duplicate.
icon32() {
  "$CONVERT" -size 32x32 gradient:"$TILE_TOP"-"$TILE_BOTTOM" \
    \( -size 32x32 xc:none -fill white -draw 'roundrectangle 0,0 31,31 6,6' \) \
    -alpha off -compose copy_opacity -composite -compose over \
    -fill white -draw 'roundrectangle 6,6 25,26 2,2' \
    -fill "$TILE_TOP" -draw 'rectangle 9,10 10,11' -draw 'rectangle 9,15 10,16' \
    -fill '#8a9bb3' -draw 'rectangle 13,10 22,11' -draw 'rectangle 13,15 20,16' \
    -fill "$MARK_RED" -draw 'rectangle 9,20 10,21' -draw 'rectangle 13,20 22,21' \
    "$work/icon32.png"
}
icon16() {
  "$CONVERT" -size 16x16 gradient:"$TILE_TOP"-"$TILE_BOTTOM" \
    \( -size 16x16 xc:none -fill white -draw 'roundrectangle 0,0 15,15 3,3' \) \
    -alpha off -compose copy_opacity -composite -compose over \
    -fill white -draw 'rectangle 3,3 12,12' \
    -fill "$TILE_TOP" -draw 'rectangle 5,5 10,5' -draw 'rectangle 5,7 9,7' \
    -fill "$MARK_RED" -draw 'rectangle 5,10 10,10' \
    "$work/icon16.png"
}
icon32
icon16
"$CONVERT" "$work/icon16.png" "$work/icon32.png" tallyvane.ico
