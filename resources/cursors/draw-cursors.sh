#!/bin/sh
# Draws the program's mouse pointers with ImageMagick. The PNG files are
# committed; run this again only to change the artwork.
#   hand.png  32 x 32 pointing hand over the About box's web address, white
#             with a black outline on a transparent ground, no antialiasing;
#             the fingertip, its hot spot, is the pixel at (12, 1)
set -eu
cd "$(dirname "$0")"

convert -size 32x32 xc:none +antialias -strokewidth 1 \
  -fill white -stroke black \
  -draw 'polygon 11,1 13,1 14,2 14,11 15,10 16,10 17,11 18,11 19,11 20,12 21,12 22,12 23,13
         24,14 24,21 23,24 21,27 21,30 9,30 9,27 6,24 3,19 3,17 4,16 6,16 9,19 10,19 10,2' \
  -draw 'line 17,12 17,15' -draw 'line 20,13 20,15' -draw 'line 10,27 20,27' \
  PNG32:hand.png
