#!/usr/bin/env bash
# weight: 8
# One PNG picture made with ImageMagick from seed INDEX: a plasma or gradient of a size that varies with
# the seed, half of them with an alpha channel, written to OUT_FILE_STEM.png.
# usage: bench/corpus/png.sh OUT_FILE_STEM INDEX
source "$(dirname "$0")/maker.bash" "$@" || exit 2
need /usr/bin/convert
size=$((64 + 37 * (index % 23)))x$((48 + 29 * (index % 17)))
if ((index % 2)); then
  /usr/bin/convert -seed "$index" -size "$size" plasma:fractal -alpha set -strip "$stem.png"
else
  /usr/bin/convert -size "$size" gradient:"#$(printf '%06x' $((index * 7919 % 16777216)))-#40a0ff" -strip "$stem.png"
fi
