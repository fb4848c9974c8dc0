#!/bin/sh
# The pictures gif_bench loads and saves, drawn by ImageMagick into the folder given (same bytes
# on every run). Photo-like ones first, then flat ones; gif_bench knows them by these names.
set -e
cd "$1"
# Smooth colour fields quantised to 256 colours with ImageMagick's default dither.
convert -seed 7 -size 1920x1080 plasma:fractal -blur 0x2 -colors 256 photo.gif
# Error diffusion, the noisiest kind of photograph a GIF holds.
convert -seed 3 -size 1280x720 plasma:fractal -blur 0x1 -dither FloydSteinberg -colors 256 photo-fs.gif
# A real photograph (ImageMagick's built-in rose), enlarged.
convert rose: -resize 1200x800 -colors 256 rose.gif
convert -seed 11 -size 1024x768 plasma:fractal -blur 0x2 -colors 256 -interlace GIF interlaced.gif
# An advert banner: small, so what a load costs besides decoding counts.
convert -seed 5 -size 468x60 plasma:fractal -blur 0x1 -colors 128 banner.gif
# A pan over a photograph in eight frames, each with its own colour map.
frames=
for x in 0 20 40 60 80 100 120 140; do frames="$frames ( mpr:scene -crop 400x300+$x+0 )"; done
# shellcheck disable=SC2086 # the frames are words on purpose
convert -seed 9 -size 540x300 plasma:fractal -blur 0x2 -write mpr:scene +delete $frames +repage \
  -colors 256 -set delay 10 pan.gif
convert -size 1920x1080 xc:skyblue -fill yellow -draw "circle 400,300 560,420" \
  -fill green -draw "rectangle 0,800 1920,1080" -fill red -draw "polygon 1200,100 1700,700 1000,600" \
  -fill white -draw "ellipse 1300,900 300,60 0,360" -fill navy -draw "rectangle 100,600 500,760" \
  +dither -colors 16 cartoon.gif
convert logo: -scale 200% +dither -colors 64 logo.gif
