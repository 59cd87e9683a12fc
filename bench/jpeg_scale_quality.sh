#!/usr/bin/env bash
# jpeg_scale_quality.sh [WORKDIR] [SCREEN...]
# How far a picture decoded at a reduced DCT scale M/8 and then area-averaged
# to its fitted size lies from the full decode area-averaged to the same size
# (mean absolute difference in levels of 255, ImageMagick's -scale as the
# exact area average), for every M, on detailed photo-like pictures made by
# ImageMagick (plasma with fine noise) and encoded by cjpeg at quality 90
# (4:2:0), and one at quality 95 without chroma subsampling (4:4:4).
# Also the native decode time of djpeg at each scale. SCREEN is WxH
# (default 1280x720 1920x1080 3840x2160); NAMES in the environment limits
# the pictures measured (photo24 photo12 photo12full).
set -euo pipefail
work=${1:-/tmp/jpeg-scale-quality}
shift || true
screens=("$@")
[ ${#screens[@]} -eq 0 ] && screens=(1280x720 1920x1080 3840x2160)
mkdir -p "$work"

picture() {  # NAME WxH [CJPEG OPTIONS...]
  local jpeg="$work/$1.jpg" name=$1 size=$2
  shift 2
  [ -f "$jpeg" ] && return 0
  convert -size "$size" -seed 7 plasma:fractal -blur 0x1 -attenuate 0.4 +noise Gaussian \
    -depth 8 "$work/$name.ppm"
  cjpeg -quality 90 "$@" -outfile "$jpeg" "$work/$name.ppm"
  rm -f "$work/$name.ppm"
}

# The fitted size as the viewer computes it: never enlarged, width first.
fitted() {  # W H SW SH
  local w=$1 h=$2 sw=$3 sh=$4 fw fh
  fw=$sw; fh=$(( sw * h / w ))
  if [ "$w" -lt "$sw" ]; then fw=$w; fh=$h; fi
  if [ "$fh" -gt "$sh" ]; then fh=$sh; fw=$(( sh * w / h )); fi
  echo "${fw}x${fh}"
}

mae() {  # A B -> levels (compare exits 1 when the pictures differ)
  { compare -metric MAE "$1" "$2" null: 2>&1 || true; } | sed -E 's/^[0-9.e+]+ \(([0-9.e+-]+)\).*/\1/' |
    awk '{ printf "%.2f", $1 * 255 }'
}

picture photo24 6000x4000
picture photo12 4000x3000
picture photo12full 4000x3000 -quality 95 -sample 1x1
for name in ${NAMES:-photo24 photo12 photo12full}; do
  jpeg="$work/$name.jpg"
  size=$(identify -format '%w %h' "$jpeg")
  read -r w h <<<"$size"
  djpeg -outfile "$work/full.ppm" "$jpeg"
  for screen in "${screens[@]}"; do
    fit=$(fitted "$w" "$h" "${screen%x*}" "${screen#*x}")
    convert "$work/full.ppm" -scale "$fit!" "$work/reference.ppm"
    line="$name ${w}x${h} screen $screen fitted $fit:"
    for m in 1 2 3 4 5 6 7 8; do
      djpeg -scale "$m/8" -outfile "$work/reduced.ppm" "$jpeg"
      rsize=$(identify -format '%wx%h' "$work/reduced.ppm")
      convert "$work/reduced.ppm" -scale "$fit!" "$work/candidate.ppm"
      fw=${fit%x*}
      line+=" M=$m(${rsize}, $(awk -v a="${rsize%x*}" -v b="$fw" 'BEGIN{printf "%.2f", a/b}')x) $(mae "$work/reference.ppm" "$work/candidate.ppm");"
    done
    echo "$line"
  done
done
# Native decode time per scale, best of three.
for m in 1 2 3 4 5 6 7 8; do
  best=""
  for run in 1 2 3; do
    start=$(date +%s%N)
    djpeg -scale "$m/8" -outfile /dev/null "$work/photo24.jpg"
    t=$(( ($(date +%s%N) - start) / 1000000 ))
    { [ -z "$best" ] || [ "$t" -lt "$best" ]; } && best=$t
  done
  echo "djpeg photo24 scale $m/8: $best ms"
done
