#!/bin/sh
# Draws the program's pictures with ImageMagick. The PNG files are committed;
# run this again only to change the artwork.
#   toolbar/*.png  32 x 32 on the mask colour (192, 192, 192), no antialiasing,
#                  so that every background pixel is exactly the mask colour;
#                  *@2x.png the same drawing at 64 x 64, for screens at 150 %
#                  and 200 %
#   app/*.png      the program icon at the sizes desktops ask for
set -eu
cd "$(dirname "$0")"
mkdir -p toolbar app
MASK='rgb(192,192,192)'
tb() {
  out=$1; shift
  convert -size 32x32 "xc:$MASK" +antialias -strokewidth 1 "$@" "toolbar/$out.png"
  convert -size 64x64 "xc:$MASK" +antialias -affine 2,0,0,2,0,0 -strokewidth 1 "$@" "toolbar/$out@2x.png"
}

tb openfile \
  -fill '#d9a520' -stroke '#5c4300' -draw 'polygon 2,8 11,8 13,10 27,10 27,26 2,26' \
  -fill '#f5d36a' -draw 'polygon 2,26 7,14 31,14 26,26'

tb savefile \
  -fill '#2a4d9b' -stroke '#0d1d40' -draw 'polygon 3,3 26,3 29,6 29,29 3,29' \
  -fill '#ffffff' -stroke '#0d1d40' -draw 'rectangle 7,3 24,13' \
  -fill '#0d1d40' -stroke none -draw 'rectangle 9,6 22,7' -draw 'rectangle 9,9 22,10' \
  -fill '#b8bcc4' -stroke '#0d1d40' -draw 'rectangle 8,19 24,29' \
  -fill '#2a4d9b' -stroke none -draw 'rectangle 18,21 21,27'

tb scramble \
  -fill none -stroke '#4a4a4a' -strokewidth 3 -draw 'roundrectangle 10,3 22,20 6,6' \
  -strokewidth 1 -fill '#e0b020' -stroke '#6b5000' -draw 'rectangle 6,14 26,29' \
  -fill '#1a1a1a' -stroke none -draw 'rectangle 15,18 17,25' -draw 'circle 16,19 16,17'

tb unscramble \
  -fill none -stroke '#4a4a4a' -strokewidth 3 -draw 'roundrectangle 18,1 30,18 6,6' \
  -fill '#c0c0c0' -stroke none -draw 'rectangle 16,12 31,16' \
  -strokewidth 1 -fill '#e0b020' -stroke '#6b5000' -draw 'rectangle 3,14 23,29' \
  -fill '#1a1a1a' -stroke none -draw 'rectangle 12,18 14,25' -draw 'circle 13,19 13,17'

tb copy \
  -fill '#ffffff' -stroke '#303030' -draw 'rectangle 3,3 18,22' \
  -stroke '#2a4d9b' -draw 'line 6,8 15,8' -draw 'line 6,12 15,12' -draw 'line 6,16 13,16' \
  -fill '#ffffff' -stroke '#303030' -draw 'rectangle 13,9 28,28' \
  -stroke '#2a4d9b' -draw 'line 16,14 25,14' -draw 'line 16,18 25,18' -draw 'line 16,22 23,22'

tb paste \
  -fill '#a0703a' -stroke '#4a2f10' -draw 'rectangle 4,4 24,29' \
  -fill '#b8bcc4' -stroke '#303030' -draw 'rectangle 9,2 19,7' \
  -fill '#ffffff' -stroke '#303030' -draw 'rectangle 13,11 29,30' \
  -stroke '#2a4d9b' -draw 'line 16,16 26,16' -draw 'line 16,20 26,20' -draw 'line 16,24 24,24'

# The program icon: a page of scrambled lines under a padlock, on a blue tile.
convert -size 256x256 xc:none \
  -fill '#2a4d9b' -stroke '#142a5c' -strokewidth 6 -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#ffffff' -stroke '#142a5c' -strokewidth 4 -draw 'polygon 44,36 160,36 196,72 196,220 44,220' \
  -fill '#c9d4ef' -draw 'polygon 160,36 160,72 196,72' \
  -stroke '#2a4d9b' -strokewidth 10 -draw 'line 66,86 140,86' -draw 'line 66,116 174,116' \
  -draw 'line 66,146 120,146' \
  -fill none -stroke '#3c3c3c' -strokewidth 16 -draw 'roundrectangle 140,110 212,200 36,36' \
  -fill '#e8b420' -stroke '#6b5000' -strokewidth 6 -draw 'roundrectangle 118,160 234,240 12,12' \
  -fill '#1a1a1a' -stroke none -draw 'circle 176,190 176,178' -draw 'rectangle 170,192 182,222' \
  app/quenzal-256.png
for s in 16 22 24 32 48 64 128; do
  convert app/quenzal-256.png -resize "${s}x${s}" "app/quenzal-$s.png"
done
