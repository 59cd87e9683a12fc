#!/usr/bin/env bash
# step_timing.sh [ROUNDS] [BEFORE_DIR]
# Times the real viewer under Wine from a key press to the changed pixels
# (step_timing.exe): start to first picture, a step onto a prepared screen and
# a step back that prepares once shown, each beside one screen-sized BitBlt
# of the same run; on the prefix's 1280 x 720 desktop and on a 3840 x 2160
# virtual desktop, for four 2400 x 1600 BMPs of one colour and for four
# photo-like 4000 x 3000 JPEGs with a patch of that colour at their centres.
# The step back is set beside render_screen.exe's total (decode, stretch and
# the rest of one screen's preparation) for the same file on the same
# desktop. With BEFORE_DIR (a folder holding an older Vellora.exe) the older
# build is timed on the same pictures in the same run, the two taking turns.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
rounds=${1:-5}
before=${2:+$(cd "$2" && pwd)}
build="$project_root/build"
pictures="$build/step-pictures"
cmake --build "$build/win" -j2 --target step_timing Vellora render_screen >/dev/null
windows_path() { local path=$1; echo "Z:${path//\//\\}"; }

# The colours the driver looks for at the screen's centre, in file order.
colours=('rgb(200,40,40)' 'rgb(40,200,40)' 'rgb(40,40,200)' 'rgb(200,200,40)')
if [ ! -f "$pictures/.complete" ]; then
  mkdir -p "$pictures/bmp" "$pictures/jpeg"
  # Smooth colour fields with fine grain, as in screen_figures.sh, so that
  # the decoder sees real detail.
  convert -size 4000x3000 plasma:'#4568dc-#b06ab3' -seed 7 -attenuate 0.4 +noise Gaussian -depth 8 \
    "$pictures/photo.png"
  for i in "${!colours[@]}"; do
    convert -size 2400x1600 "xc:${colours[$i]}" -type TrueColor "BMP3:$pictures/bmp/$i.bmp"
    convert "$pictures/photo.png" -fill "${colours[$i]}" -draw 'rectangle 1700,1200 2299,1799' -quality 92 \
      "$pictures/jpeg/$i.jpg"
  done
  rm "$pictures/photo.png"
  touch "$pictures/.complete"
fi

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

on_desktop() {  # WIDTH HEIGHT PROGRAM ARGUMENTS...
  local width=$1 height=$2
  shift 2
  if [ "${width}x${height}" = 1280x720 ]; then
    "$project_root/scripts/wine-run" "$@"
  else
    "$project_root/scripts/wine-run" explorer "/desktop=vellora${width},${width}x${height}" "$@"
  fi
}

# render_screen.exe's decode + anaglyph + stretch + colour management.
screen_total() {  # WIDTH HEIGHT FILE
  on_desktop "$1" "$2" "$(windows_path "$build/win/render_screen.exe")" --time "$(windows_path "$3")" \
    "$(windows_path "$pictures/out.bmp")" 2>/dev/null | tail -n 1 |
    awk '{ gsub(/,/, ""); printf "%.1f\n", $2 + $5 + $8 + $12 }'
}

time_desktop() {  # WIDTH HEIGHT
  local width=$1 height=$2 variant output total back
  local viewers=("$(windows_path "$build/win/Vellora.exe")")
  [ -n "$before" ] && viewers=("$(windows_path "$before/Vellora.exe")" "${viewers[@]}")
  for variant in bmp jpeg; do
    output=$(on_desktop "$width" "$height" "$(windows_path "$build/win/step_timing.exe")" "$rounds" \
      "$(windows_path "$pictures/$variant")" "${viewers[@]}" || true)
    echo "$output"
    # The step back lands on the third picture.
    total=$(for _ in $(seq "$rounds"); do screen_total "$width" "$height" "$pictures/$variant/2.${variant/jpeg/jpg}"; done |
      median)
    printf '%-28s %9.1f ms  (step back / total:' "render_screen total" "$total"
    for back in $(awk '/step back/ { print $5 }' <<<"$output"); do
      printf ' %.2f' "$(awk -v b="$back" -v t="$total" 'BEGIN { print (t > 0 ? b / t : 0) }')"
    done
    echo ")"
    echo
  done
}

run_on_display() {  # WIDTH HEIGHT
  local width=$1 height=$2 number=90
  while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do
    number=$((number + 1))
  done
  # The X screen is as large as the desktop, so that every pixel reads back.
  Xvfb ":${number}" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  until [ -e "/tmp/.X11-unix/X${number}" ]; do sleep 0.1; done
  DISPLAY=":${number}" time_desktop "$width" "$height"
  DISPLAY=":${number}" wine_server_stop
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}

run_on_display 1280 720
run_on_display 3840 2160
