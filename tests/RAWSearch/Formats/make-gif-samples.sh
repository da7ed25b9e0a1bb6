#!/bin/bash
# GIF pictures made with ImageMagick, into the folder given:
#   still.gif      one frame with a global colour table
#   animated.gif   six frames with local colour tables and a looping extension
set -euo pipefail
out=$1
command -v convert >/dev/null || { echo "missing tool: convert" >&2; exit 1; }
convert -version | grep -q ImageMagick || { echo "convert is not ImageMagick" >&2; exit 1; }
cd "$out"
convert -size 120x90 plasma:fractal -seed 7 still.gif
frames=()
for i in 1 2 3 4 5 6; do
  convert -size 80x60 -seed "$i" plasma:fractal "frame$i.gif"
  frames+=("frame$i.gif")
done
convert -delay 10 -loop 0 "${frames[@]}" animated.gif
rm "${frames[@]}"
