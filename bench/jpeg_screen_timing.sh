#!/usr/bin/env bash
# jpeg_screen_timing.sh BEFORE_RENDER_SCREEN AFTER_RENDER_SCREEN JPEG...
# For each JPEG: Debian's djpeg decoding it natively at full size, then
# render_screen.exe --time (the viewer's screen preparation under Wine) of two
# builds, each the best of three runs, in one run so the figures compare.
# Prints decode, stretch and total (decode + anaglyph + stretch + colour
# management) milliseconds and total / djpeg.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
before=$1 after=$2
shift 2

best_djpeg() {
  local best="" start t
  for _ in 1 2 3; do
    start=$(date +%s%N)
    djpeg -outfile /dev/null "$1"
    t=$(( ($(date +%s%N) - start) / 100000 ))
    { [ -z "$best" ] || [ "$t" -lt "$best" ]; } && best=$t
  done
  awk -v t="$best" 'BEGIN { printf "%.1f", t / 10 }'
}

# Best run by total: "decode stretch total".
best_render() {
  local program=$1 picture=$2 line
  for _ in 1 2 3; do
    line=$("$project_root/scripts/wine-run" "$program" --time "Z:${picture//\//\\}" 'Z:\tmp\jpeg-screen-timing.bmp' |
      grep -E '^decode')
    awk '{ gsub(",", ""); print $2, $8, $2 + $5 + $8 + $12 }' <<<"$line"
  done | sort -n -k3 | head -n 1
}

for picture in "$@"; do
  picture=$(readlink -f "$picture")
  size=$(identify -format '%wx%h' "$picture")
  reference=$(best_djpeg "$picture")
  for build in before after; do
    program=$before
    [ "$build" = after ] && program=$after
    read -r decode stretch total <<<"$(best_render "$program" "$picture")"
    printf '%s %s %-6s decode %7.1f ms  stretch %6.1f ms  total %7.1f ms  djpeg %6.1f ms  total/djpeg %.2f\n' \
      "$(basename "$picture")" "$size" "$build" "$decode" "$stretch" "$total" "$reference" \
      "$(awk -v a="$total" -v b="$reference" 'BEGIN { print a / b }')"
  done
done
rm -f /tmp/jpeg-screen-timing.bmp
