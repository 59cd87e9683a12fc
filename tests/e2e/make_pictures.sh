#!/bin/sh
# make_pictures.sh DIR: the solid-colour and stereo pictures of the
# end-to-end tests that only the platform's decoders read, written by
# ImageMagick. The names carry the colour the viewer must show.
set -e
dir=$1
mkdir -p "$dir"
convert -size 96x64 xc:'#c81e1e' "$dir/c81e1e.png"
convert -size 96x64 xc:'#1ec81e' -quality 95 "$dir/1ec81e.jpg"
convert -size 96x64 xc:'#1e1ec8' "$dir/1e1ec8.gif"
convert -size 96x64 xc:'#c8c81e' -compress none "$dir/c8c81e.tif"
# WebP, which only the converter beside the viewer decodes under Wine.
convert -size 96x64 xc:'#1ec8c8' "$dir/1ec8c8-webp-source.png"
cwebp -quiet -lossless "$dir/1ec8c8-webp-source.png" -o "$dir/1ec8c8.webp"
rm "$dir/1ec8c8-webp-source.png"
# HEIC, which the viewer decodes itself where the platform cannot: an odd
# size, so the overlay shows the file's own.
convert -size 97x61 xc:'#b4781e' PNG24:"$dir/heic-source.png"
heif-enc -q 95 -o "$dir/b4781e.heic" "$dir/heic-source.png" >/dev/null
rm "$dir/heic-source.png"
# JPEG XR, lossless, likewise of an odd size.
convert -size 93x59 xc:'#1e78b4' BMP3:"$dir/jxr-source.bmp"
JxrEncApp -i "$dir/jxr-source.bmp" -o "$dir/1e78b4.jxr" >/dev/null
rm "$dir/jxr-source.bmp"
# A landscape photo, red above blue, that the tests tag with an orientation.
convert -size 1200x400 xc:'#c81e1e' -size 1200x400 xc:'#1e1ec8' -append -quality 95 "$dir/halves.jpg"
# Stereo pairs: white left and black right view give red; the mirror gives cyan.
convert -size 320x240 xc:white -size 320x240 xc:black +append "$dir/a.stereo.png"
convert -size 320x240 xc:black -size 320x240 xc:white +append "$dir/b.stereo.png"
touch "$dir/.complete"
