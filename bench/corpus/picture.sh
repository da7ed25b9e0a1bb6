#!/usr/bin/env bash
# weight: 1
# Layered and icon pictures made from an ImageMagick plasma of seed INDEX, in turn: a Photoshop document
# (ImageMagick) and an icon family of 16 to 256 pixels (png2icns).
# usage: bench/corpus/picture.sh OUT_FILE_STEM INDEX  (writes OUT_FILE_STEM.psd or OUT_FILE_STEM.icns)
set -euo pipefail
stem=${1:?output file stem}
index=${2:?seed index}
# The kind follows the seed; the corpus's weighted round robin (period 100) hands a family seeds a fixed step
# apart, so the hundreds shift the turn and every kind comes up.
turn=$((index + index / 100))
for tool in /usr/bin/convert png2icns; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
if ((turn % 2 == 0)); then
  /usr/bin/convert -seed "$index" -size "$((64 + 31 * (index % 19)))x$((48 + 17 * (index % 11)))" plasma:fractal \
    "$stem.psd"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  icons=()
  for edge in 16 32 48 128 256; do
    ((edge > 32 + 64 * (index % 4))) && break
    /usr/bin/convert -seed "$index" -size "${edge}x$edge" plasma:fractal -alpha set "PNG32:$work/$edge.png"
    icons+=("$work/$edge.png")
  done
  png2icns "$stem.icns" "${icons[@]}" >/dev/null
fi
