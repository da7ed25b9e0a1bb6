#!/usr/bin/env bash
# weight: 2
# GIF made with ImageMagick from seed INDEX: a still picture with a global colour table, or an animation of two to
# six frames with a looping extension, every other seed; sizes vary with the seed.
# usage: bench/corpus/gif.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.gif)
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need /usr/bin/convert
size=$((48 + 23 * (index % 17)))x$((32 + 19 * (index % 13)))
if ((index % 2 == 0)); then
  /usr/bin/convert -seed "$index" -size "$size" plasma:fractal "$stem.gif"
else
  frames=()
  for frame in $(seq $((2 + index % 5))); do frames+=(-seed $((index * 10 + frame)) "plasma:fractal"); done
  /usr/bin/convert -size "$size" -delay 10 "${frames[@]}" -loop 0 "$stem.gif"
fi
