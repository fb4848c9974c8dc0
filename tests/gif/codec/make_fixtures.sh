#!/usr/bin/env bash
# Makes the GIF fixtures in fixtures/ with ImageMagick (run by hand; the files are committed).
set -euo pipefail
cd "$(dirname "$0")/fixtures"
convert -seed 7 -size 160x120 plasma:fractal -blur 0x1 -colors 256 photo.gif
convert -size 160x120 xc:skyblue -fill yellow -draw "circle 40,40 60,60" \
  -fill green -draw "rectangle 0,90 160,120" -fill red -draw "polygon 100,20 150,80 90,70" \
  -fill white -draw "ellipse 110,100 30,8 0,360" +dither -colors 16 cartoon.gif
convert -seed 3 -size 97x61 plasma:fractal -colors 64 -interlace GIF interlaced.gif
# Frames of their own colours (local maps), a transparent background and a loop extension.
convert -delay 8 -loop 0 -dispose background \
  \( -size 64x48 xc:none -fill red -draw "circle 20,24 30,30" \) \
  \( -size 64x48 xc:none -fill blue -draw "rectangle 30,10 60,40" -fill orange -draw "circle 10,10 14,14" \) \
  \( -seed 5 -size 40x30 plasma:fractal -colors 32 -repage +12+9 \) \
  anim.gif
