#!/bin/sh
# Draws the window icon (32 x 32) and the logo (200 x 150 JPEG): the product name on a
# yellow background. Needs ImageMagick, DejaVu Sans and Noto Sans CJK.
# Run from anywhere; writes next to this script. The results are committed.
set -eu
cd "$(dirname "$0")"
latin=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
cjk=$(fc-match -f '%{file}' 'Noto Sans CJK SC:bold')

convert -size 32x32 xc:'#f5c400' -fill '#b3202a' -draw 'rectangle 0,26 31,31' \
  -font "$latin" -pointsize 24 -fill '#1b1b1b' -gravity center -annotate +0-3 'V' \
  -depth 8 -type TrueColor -strip PNG24:veltrano.png

convert -size 200x150 xc:'#f5c400' \
  -fill '#b3202a' -draw 'rectangle 0,112 199,149' \
  -stroke '#1b1b1b' -strokewidth 2 -fill none -draw 'polyline 18,102 48,82 76,92 106,62 136,76 166,54 184,60' \
  -stroke none -font "$latin" -pointsize 30 -fill '#1b1b1b' -gravity north -annotate +0+8 'Veltrano' \
  -font "$cjk" -pointsize 18 -fill '#ffffff' -gravity south -annotate +0+8 '电子走势图' \
  -strip -quality 90 -sampling-factor 4:2:0 logo.jpg
