#!/bin/sh
# make_pictures.sh DIR MAKE_DNG: the solid-colour and stereo pictures of the
# end-to-end tests that only the platform's decoders and the viewer's
# libraries read, written by ImageMagick and Debian's encoders (MAKE_DNG is
# the build's test DNG writer). The names carry the colour the viewer must
# show.
set -e
dir=$1
make_dng=$2
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
# AVIF and JPEG XL, each of its own odd size.
convert -size 91x57 xc:'#3c8cdc' PNG24:"$dir/avif-source.png"
avifenc -s 10 --min 0 --max 4 "$dir/avif-source.png" "$dir/3c8cdc.avif" >/dev/null
rm "$dir/avif-source.png"
convert -size 89x55 xc:'#dc8c3c' PNG24:"$dir/jxl-source.png"
cjxl "$dir/jxl-source.png" "$dir/dc8c3c.jxl" -d 0 >/dev/null 2>&1
rm "$dir/jxl-source.png"
# A camera RAW file, shown through its 83 x 53 JPEG preview, recorded a
# quarter turn clockwise (orientation 6): upright it is 53 x 83.
convert -size 83x53 xc:'#8c3cdc' -quality 95 "$dir/dng-preview.jpg"
"$make_dng" "$dir/8c3cdc.dng" "$dir/dng-preview.jpg" 83 53 6
rm "$dir/dng-preview.jpg"
# A landscape photo, red above blue, that the tests tag with an orientation.
convert -size 1200x400 xc:'#c81e1e' -size 1200x400 xc:'#1e1ec8' -append -quality 95 "$dir/halves.jpg"
# Stereo pairs: white left and black right view give red; the mirror gives cyan.
convert -size 320x240 xc:white -size 320x240 xc:black +append "$dir/a.stereo.png"
convert -size 320x240 xc:black -size 320x240 xc:white +append "$dir/b.stereo.png"
touch "$dir/.complete"
