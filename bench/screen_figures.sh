#!/usr/bin/env bash
# screen_figures.sh [ROUNDS] [BEFORE_DIR] [--warm]
# Times the making of one screen under Wine (render_screen.exe --time: decode,
# stretch, total) for large JPEG (4:4:4 at quality 92 to 98, 4:2:2,
# progressive), WebP, HEIC (one picture, and a phone's grid of 48 tiles) and
# JPEG XL pictures and a DNG
# holding the 12 MP JPEG as its preview, each beside the native library tool
# decoding the same file at full size in the same run (djpeg, dwebp,
# heif-convert, djxl; simple_dcraw -e then djpeg for the DNG). With
# BEFORE_DIR (a folder holding an older
# render_screen.exe and its Utilities-WebP) the older build is timed on the
# same files in the same run. Prints the median of ROUNDS runs (default 3).
# --warm times each screen after one untimed preparation of the same file, as
# a viewer stepping through pictures of one size meets them (both builds'
# render_screen.exe must know --warm).
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
rounds=${1:-3}
before=${2:-}
warm=${3:-}
build="$project_root/build"
images="$build/figure-images"

for tool in djpeg:libjpeg-turbo-progs dwebp:webp heif-convert:libheif-examples heif-enc:libheif-examples \
    simple_dcraw:libraw-bin cjxl:libjxl-tools djxl:libjxl-tools; do
  command -v "${tool%%:*}" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${tool#*:}" >/dev/null
done

# Photo-like pictures: smooth colour fields with fine grain, so the codecs see
# real detail.
make_picture() {  # SIZE OUTPUT
  convert -size "$1" plasma:'#4568dc-#b06ab3' -seed 7 -attenuate 0.4 +noise Gaussian -depth 8 "$2"
}
# Camera-like pictures: large-scale structure (a plasma made at an eighth of
# the size and enlarged smoothly), finer texture blended over it, and grain.
make_photo() {  # WIDTH HEIGHT SEED OUTPUT.ppm
  convert \( -seed "$3" -size "$(( $1 / 8 ))x$(( $2 / 8 ))" plasma:fractal -blur 0x1 -resize "$1x$2!" \) \
    \( -seed "$(( $3 + 1 ))" -size "$1x$2" plasma:fractal -blur 0x0.6 \) \
    -compose blend -define compose:args=30 -composite -attenuate 0.25 +noise Gaussian -depth 8 "$4"
}
# The kinds whose reduced decodes cost the most against a full one.
make_camera_jpeg() {  # WIDTH HEIGHT SEED QUALITY SAMPLING OUTPUT.jpg
  [ -f "$6" ] && return 0
  make_photo "$1" "$2" "$3" "$images/camera.ppm"
  cjpeg -quality "$4" -sample "$5" -outfile "$6" "$images/camera.ppm"
  rm -f "$images/camera.ppm"
}
mkdir -p "$images"
make_camera_jpeg 3840 2400 11 97 1x1 "$images/camera444q97.jpg"
make_camera_jpeg 4096 2304 13 95 1x1 "$images/camera444q95.jpg"
make_camera_jpeg 4000 3000 17 92 2x1 "$images/camera422.jpg"
if [ ! -f "$images/.complete" ]; then
  make_picture 6000x4000 "$images/photo24.png"
  make_picture 4000x3000 "$images/photo12.png"
  make_picture 5312x2988 "$images/progressive.png"
  make_picture 4096x4096 "$images/square.png"
  convert "$images/photo24.png" -quality 92 "$images/photo24mp.jpg"
  convert "$images/photo12.png" -quality 92 "$images/photo12mp.jpg"
  convert "$images/progressive.png" -quality 92 -interlace Plane "$images/progressive.jpg"
  cwebp -quiet -q 85 "$images/square.png" -o "$images/lossy4096.webp"
  cwebp -quiet -lossless "$images/square.png" -o "$images/lossless4096.webp"
  heif-enc -q 85 "$images/photo12.png" -o "$images/photo12mp.heic" >/dev/null 2>&1 || true
  # A phone's grid: 8 x 6 tiles of 512 x 512, each coded on its own.
  mkdir -p "$images/tiles"
  convert "$images/photo12.png" -resize 4096x3066! -crop 512x511 +repage "$images/tiles/t%02d.png"
  for tile in "$images"/tiles/t*.png; do heif-enc -q 85 "$tile" -o "${tile%.png}.heic" >/dev/null 2>&1; done
  c++ -std=c++17 -O2 -I "$project_root/tests/support" -o "$images/tiles/make_heic_grid" \
    "$project_root/tools/make_heic_grid/make_heic_grid.cpp"
  "$images/tiles/make_heic_grid" "$images/grid12mp.heic" 8 6 "$images"/tiles/t*.heic
  rm -rf "$images/tiles"
  "$build/win/tools/make_dng" "$images/photo12mp.dng" "$images/photo12mp.jpg" 4000 3000 1
  cjxl "$images/photo12.png" "$images/photo12mp.jxl" -d 1 >/dev/null 2>&1 || true
  rm -f "$images"/*.png
  touch "$images/.complete"
fi

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

native_ms() {  # COMMAND...
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

native_reference() {  # FILE
  case "$1" in
    *.jpg) native_ms djpeg -outfile /dev/null "$1" ;;
    *.webp) native_ms dwebp -quiet -ppm "$1" -o /dev/null ;;
    *.heic) native_ms heif-convert "$1" "$images/out.y4m" ;;
    *.dng) native_ms sh -c 'simple_dcraw -e "$1" && djpeg -outfile /dev/null "$1.thumb.jpg"' sh "$1" ;;
    *.jxl) native_ms djxl "$1" "$images/out.ppm" ;;
  esac
}

# Prints "decode stretch total" of one run of a render_screen.exe.
screen_times() {  # EXE FILE
  "$project_root/scripts/wine-run" "$1" --time $warm "Z:${2//\//\\}" "Z:${images//\//\\}\\out.bmp" 2>/dev/null | tail -n 1 |
    awk '{ gsub(/,/, ""); printf "%.1f %.1f %.1f\n", $2, $8, $2 + $5 + $8 + $12 }'
}

start_xvfb_if_needed
trap 'wine_server_stop; stop_xvfb' EXIT
printf '%-20s %-7s %9s %9s %9s %9s %7s\n' file build decode stretch total native ratio
for file in "$images"/*.jpg "$images"/*.webp "$images"/*.heic "$images"/*.jxl "$images"/*.dng; do
  [ -f "$file" ] || continue
  case $file in *.thumb.jpg) continue ;; esac  # simple_dcraw's preview of the DNG
  reference=$(for _ in $(seq "$rounds"); do native_reference "$file"; done | median)
  builds=("after:$build/win/render_screen.exe")
  [ -n "$before" ] && builds=("before:$before/render_screen.exe" "${builds[@]}")
  # The builds take turns in each round, so that other work on the machine
  # falls on both alike.
  declare -A runs=()
  for _ in $(seq "$rounds"); do
    for entry in "${builds[@]}"; do
      runs[$entry]+="$(screen_times "${entry#*:}" "$file")"$'\n'
    done
  done
  for entry in "${builds[@]}"; do
    decode=$(awk 'NF { print $1 }' <<<"${runs[$entry]}" | median)
    stretch=$(awk 'NF { print $2 }' <<<"${runs[$entry]}" | median)
    total=$(awk 'NF { print $3 }' <<<"${runs[$entry]}" | median)
    printf '%-20s %-7s %9.1f %9.1f %9.1f %9d %6.2fx\n' "$(basename "$file")" "${entry%%:*}" \
      "$decode" "$stretch" "$total" "$reference" "$(awk -v t="$total" -v r="$reference" 'BEGIN { print (r > 0 ? t / r : 0) }')"
  done
done
echo "(milliseconds, median of $rounds runs; native = the library's own tool decoding the whole file"
echo " natively in the same run; ratio = screen total / native)"
