#!/usr/bin/env bash
# step_timing.sh [ROUNDS]
# Times the real viewer under Wine from a key press to the changed pixels
# (step_timing.exe): start to first picture, a step onto a prepared screen and
# a step back that prepares once shown, each beside one screen-sized BitBlt
# of the same run; on the prefix's 1280 x 720 desktop and on a 3840 x 2160
# virtual desktop.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
rounds=${1:-5}
build="$project_root/build"
cmake --build "$build/win" -j"$(nproc)" --target step_timing Vellora >/dev/null
viewer="Z:${build//\//\\}\\win\\Vellora.exe"
driver="$build/win/step_timing.exe"

run_on_display() {  # WIDTH HEIGHT WINE-ARGUMENTS...
  local width=$1 height=$2 number=90
  shift 2
  while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do
    number=$((number + 1))
  done
  # The X screen is as large as the desktop, so that every pixel reads back.
  Xvfb ":${number}" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
  local xvfb=$!
  until [ -e "/tmp/.X11-unix/X${number}" ]; do sleep 0.1; done
  DISPLAY=":${number}" "$project_root/scripts/wine-run" "$@" || true
  DISPLAY=":${number}" wine_server_stop
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}

run_on_display 1280 720 "$driver" "$viewer" "$rounds"
run_on_display 3840 2160 explorer /desktop=vellora4k,3840x2160 "Z:${driver//\//\\}" "$viewer" "$rounds"
