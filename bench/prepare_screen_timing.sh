#!/usr/bin/env bash
# prepare_screen_timing.sh [ROUNDS]
# Times the viewer's screen preparation on 4000 x 3000 JPEG, PNG, QDL and TGA
# files through render_screen.exe under Wine, on the 1280 x 720 desktop:
# decode, anaglyph, stretch and colour management, each beside one plain
# screen-sized copy measured in the same run. Prints the median of ROUNDS
# runs (default 5) per file and mode.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib/common.sh"
rounds=${1:-5}
build="$project_root/build"
cmake --build "$build/win" -j"$(nproc)" --target render_screen >/dev/null
cmake --build "$build/native" -j"$(nproc)" --target qdlconv >/dev/null

images="$build/bench-images"
mkdir -p "$images"
if [ ! -f "$images/.complete" ]; then
  convert -size 4000x3000 plasma:'#4568dc-#b06ab3' -seed 11 -depth 8 "$images/photo.png"
  convert "$images/photo.png" -quality 90 "$images/photo.jpg"
  convert "$images/photo.png" -type TrueColor "BMP3:$images/photo.bmp"
  "$build/native/qdlconv" "$images/photo.bmp" "$images/photo.qdl" >/dev/null
  convert "$images/photo.png" -compress None "$images/photo.tga"
  touch "$images/.complete"
fi

start_xvfb_if_needed
trap 'wine_server_stop; stop_xvfb' EXIT
printf '%-10s %-5s %9s %9s %9s %9s %9s\n' file mode decode anaglyph stretch colour copy
for file in photo.jpg photo.png photo.qdl photo.tga; do
  for mode in plain /3 /c; do
    options=()
    [ "$mode" != plain ] && options+=("$mode")
    for _ in $(seq "$rounds"); do
      "$project_root/scripts/wine-run" "$build/win/render_screen.exe" --time "${options[@]}" \
        "Z:${images//\//\\}\\$file" "Z:${images//\//\\}\\out.bmp" 2>/dev/null | tail -n 1
    done | awk -v file="$file" -v mode="$mode" '
      { gsub(/,/, ""); d[NR] = $2; a[NR] = $5; s[NR] = $8; c[NR] = $12; k[NR] = $16 }
      function median(v, n,   i, j, t) {
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
        return v[int((n + 1) / 2)]
      }
      END { printf "%-10s %-5s %9.1f %9.1f %9.1f %9.1f %9.2f\n", file, mode,
            median(d, NR), median(a, NR), median(s, NR), median(c, NR), median(k, NR) }'
  done
done
echo "(milliseconds, median of $rounds runs; copy = one 1280x720 BitBlt in the same run)"
